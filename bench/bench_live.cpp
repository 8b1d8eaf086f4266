// A live recording at the line's limit, in process: 320 results a second through the real
// data-available handler, the window's redraw pacing and the Qt canvas, on a store that holds
// 100000 results at the end of each second of stream. One iteration is one second of stream,
// so its CPU time is the share of a core the program needs to keep up.
//
// Also the full redraw of the densest views: 100000 results in view, and the paced workload:
// zvl-sim on a pseudo-terminal at 19200 bit/s and the program's live path on the Qt platform.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <time.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "bench/benchsupport.h"
#include "bench/qtbenchmain.h"
#include "core/timebase.h"
#include "link/link.h"
#include "qt/qtcanvas.h"
#include "qt/qtclock.h"
#include "qt/qteventpump.h"
#include "qt/qtserialport.h"
#include "qt/qttimer.h"
#include "qt/tracepicture.h"
#include "viewer/redrawpacer.h"
#include "viewer/viewmodes.h"

namespace zvl {
namespace {

constexpr int kPerSecond = 320;
constexpr int64_t kStored = kMaxResults - kPerSecond;  // in the store before each second of stream

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

uint16_t inputWord(int64_t i) {
    return uint16_t(uint32_t(i) * 2654435761u >> 16);
}

// Results 1..last, `perSecond` to each whole second, the last second ending at `end`.
void fillStore(AppState& st, int64_t last, int64_t perSecond, int64_t end) {
    for (int k = 0; k < kInputCount; ++k) {
        st.inputActive[size_t(k)] = true;
        st.inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
    }
    st.store.results[0].setTime(uint32_t(end - last / perSecond - 1));
    for (int64_t i = 1; i <= last; ++i) {
        st.store.results[size_t(i)].setTime(uint32_t(end - (last - i) / perSecond));
        st.store.results[size_t(i)].inputStates = inputWord(i);
    }
    st.store.resultCount = last;
}

// The main window's redraw hooks over the pacer, its picture a QImage drawn by the Qt canvas.
struct LiveWindow : ViewHooks {
    LiveWindow(const AppState& st, TraceRenderer& renderer, const Clock& clock, Timer& frameTimer)
        : pacer(st, renderer, clock, frameTimer,
                [this](const RedrawPacer::Draw& draw, const PictureDamage& damage) {
                    drawDamage(picture, draw, damage);
                }) {
        pacer.setTextMeasure(&measure);
    }
    void redrawTraceView() override { pacer.redrawNow(); }
    void redrawTraceViewSoon() override { pacer.redrawSoon(); }
    QImage picture{kPictureWidth, kPictureHeight, QImage::Format_RGB32};
    QImage measureImage{1, 1, QImage::Format_RGB32};
    QtCanvas measure{&measureImage};
    RedrawPacer pacer;
};

void BM_LiveSecond(benchmark::State& bench) {
    const int timebase = int(bench.range(0));  // -1: event mode
    AppState st;
    bench::SteppedClock clock;
    bench::NoPump pump;
    bench::QuietPrompts prompts;
    bench::BufferPort port;
    bench::NoTimer breakTimer;
    bench::SteppedTimer updateTimer(clock), frameTimer(clock);
    TraceRenderer renderer(st, clock, prompts);
    LiveWindow window(st, renderer, clock, frameTimer);
    InstrumentLink link(st, port, clock, pump, prompts, window, breakTimer, updateTimer);
    ViewContext ctx{st, renderer, window, updateTimer};
    updateTimer.setHandler([&] { zvl::updateTimer(ctx); });

    // The stream's second starts at a whole second; what is stored ran at the same rate up to it.
    const int64_t second = timeStampFromDateTime(clock.base);
    fillStore(st, kStored, kPerSecond, second - 1);
    st.collectionActive = true;
    st.operatingMode = timebase < 0 ? EventRecord : TimebaseRecord;
    st.timebaseIndex = timebase < 0 ? 5 : timebase;
    for (int64_t k = 1; k <= kPerSecond; ++k) {
        const uint16_t w = inputWord(kStored + k);
        port.data.insert(port.data.end(), {0x01, 0x04, 0xD0, uint8_t(w >> 8), uint8_t(w), 0x04});
    }

    // The event loop: timers that fall due before a moment fire first, in time order.
    auto runUntil = [&](int64_t ms) {
        for (;;) {
            bench::SteppedTimer* next = updateTimer.due() <= frameTimer.due() ? &updateTimer : &frameTimer;
            if (next->due() > ms) break;
            clock.ms = std::max(clock.ms, next->due());
            next->fire();
        }
        clock.ms = ms;
    };

    int64_t pictures = 0;
    const double cpuBefore = threadCpuSeconds();
    for (auto _ : bench) {
        st.store.resultCount = kStored;
        port.pos = port.limit = 0;
        clock.ms = 0;
        updateTimer.disable();
        updateTimer.setInterval(refreshIntervalMs(st.timebaseIndex));
        if (st.operatingMode == TimebaseRecord) updateTimer.enable();
        frameTimer.disable();
        const int64_t before = window.pacer.picturesBuilt();
        for (int k = 0; k < kPerSecond; ++k) {
            runUntil(k * 1000 / kPerSecond);
            port.limit += 6;
            port.handler(port.bytesAvailable());
        }
        runUntil(999);
        window.pacer.flush();
        pictures += window.pacer.picturesBuilt() - before;
        if (st.resultCount() != kMaxResults) bench.SkipWithError("the stream was not stored");
        benchmark::DoNotOptimize(window.picture.constBits());
    }
    const double n = double(bench.iterations());
    bench.counters["pictures_per_s"] = benchmark::Counter(double(pictures) / n);
    bench.counters["core_percent"] = benchmark::Counter((threadCpuSeconds() - cpuBefore) / n * 100.0);
}

// A full redraw (the window's command redraw) of a view with all 100000 results in it.
void BM_DensestRedraw(benchmark::State& bench) {
    const auto mode = OperatingMode::fromNumber(bench.range(0));
    const int timebase = int(bench.range(1));
    AppState st;
    bench::SteppedClock clock;
    bench::QuietPrompts prompts;
    TraceRenderer renderer(st, clock, prompts);
    const int64_t second = timeStampFromDateTime(clock.base);
    const double across = 600.0 * double(timebaseRow(timebase).secondsPerPixel);
    // 100000 results spread over the width of the view (at least one second).
    const int64_t perSecond = std::max<int64_t>(1, int64_t(double(kMaxResults) / std::max(1.0, across)) + 1);
    fillStore(st, kMaxResults, perSecond, second);
    st.operatingMode = mode;
    st.timebaseIndex = timebase;
    st.recordingEndTime = second;
    st.viewStartTime = st.resultTime(1);
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    for (auto _ : bench) {
        QtCanvas canvas(&picture);
        renderer.redrawTraceView(canvas);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

// ---------------------------------------------------------------------------------------
// The paced workload, as a serial line delivers it: zvl-sim --rate 320 as its own process on a
// pseudo-terminal paced at 19200 bit/s, and in this process the program's live path as the
// window runs it: the Qt serial port, clock, timers and event loop, the link with its status
// poll, the redraw pacing with the live refresh timer, the picture drawn by the Qt canvas. The
// CPU is the whole process's (user and system time, getrusage) over ZVL_PACED_SECONDS
// (default 60) of recording; with ZVL_STRACE_SECONDS set, strace -c then counts the system
// calls of the process by kind over that many seconds more (counters <call>_per_s).

// The system calls in strace -c's table: name and count.
std::vector<std::pair<std::string, double>> straceCounts(const QString& path) {
    std::vector<std::pair<std::string, double>> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QList<QByteArray> w = raw.simplified().split(' ');
        // % time, seconds, usecs/call, calls, [errors,] syscall
        if (w.size() < 5 || w[0].startsWith('-') || w[0] == "%" || w.last() == "total") continue;
        bool ok = false;
        const double calls = w[3].toDouble(&ok);
        if (ok) out.emplace_back(w.last().toStdString(), calls);
    }
    return out;
}

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

void BM_LivePaced(benchmark::State& bench) {
    const int timebase = int(bench.range(0));  // -1: event mode
    const int seconds = qEnvironmentVariableIsSet("ZVL_PACED_SECONDS")
                            ? qEnvironmentVariableIntValue("ZVL_PACED_SECONDS")
                            : 60;
    const int straceSeconds = qEnvironmentVariableIntValue("ZVL_STRACE_SECONDS");
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", QDir(config.path()).absolutePath().toLocal8Bit().constData(), 1);
    QProcess sim;
    sim.start(QStringLiteral(ZVL_SIM_EXECUTABLE), {"--port", "COM13", "--rate", "320"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(10000)) {
        bench.SkipWithError("zvl-sim did not start");
        return;
    }

    AppState st;
    for (int k = 0; k < kInputCount; ++k) {
        st.inputActive[size_t(k)] = true;
        st.inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
    }
    QtClock clock;
    QtEventPump pump(clock);
    QtSerialPort port;
    QtTimer statusTimer{5000}, breakTimer{500}, updateTimer{400}, frameTimer;
    bench::QuietPrompts prompts;
    TraceRenderer renderer(st, clock, prompts);
    LiveWindow window(st, renderer, clock, frameTimer);
    InstrumentLink link(st, port, clock, pump, prompts, window, breakTimer, updateTimer);
    link.setStatusTimer(statusTimer);
    ViewContext ctx{st, renderer, window, updateTimer};
    updateTimer.setHandler([&] { zvl::updateTimer(ctx); });
    breakTimer.setHandler([&] { link.breakTimerFired(); });
    statusTimer.setHandler([&] { link.statusPoll(); });
    if (!link.openDevice("COM13")) {
        bench.SkipWithError("cannot open the simulator's port");
        return;
    }
    link.connect();
    if (!st.instrumentOnline) {
        bench.SkipWithError("the simulator did not answer");
        return;
    }
    statusTimer.enable();

    auto serve = [&](double s) { pump.processEventsUntil(clock.milliseconds() + int64_t(s * 1000.0)); };
    double cpu = 0, results = 0, pictures = 0;
    for (auto _ : bench) {
        st.operatingMode = timebase < 0 ? EventRecord : TimebaseRecord;
        st.timebaseIndex = timebase < 0 ? 5 : timebase;
        link.startStopRecording();
        serve(2.0);  // the start's waits and the first pictures are not the steady state
        const int64_t count0 = st.resultCount(), pictures0 = window.pacer.picturesBuilt();
        const double cpu0 = processCpuSeconds();
        const int64_t ms0 = clock.milliseconds();
        serve(seconds);
        const double wall = double(clock.milliseconds() - ms0) / 1000.0;
        bench.SetIterationTime(wall);
        cpu = (processCpuSeconds() - cpu0) / wall * 100.0;
        results = double(st.resultCount() - count0) / wall;
        pictures = double(window.pacer.picturesBuilt() - pictures0) / wall;
        if (straceSeconds > 0) {
            const QString out = QDir(config.path()).filePath("strace.txt");
            QProcess strace;
            strace.start("strace",
                         {"-c", "-f", "-o", out, "-p", QString::number(QCoreApplication::applicationPid())});
            if (strace.waitForStarted(5000)) {
                serve(straceSeconds);
                ::kill(pid_t(strace.processId()), SIGINT);
                strace.waitForFinished(5000);
                for (const auto& [name, calls] : straceCounts(out))
                    bench.counters[name + "_per_s"] = benchmark::Counter(calls / straceSeconds);
            }
        }
        link.startStopRecording();  // "Continue Collecting Data ?" No: stop
        // The simulator paces the line from its own process: on a loaded machine it may send
        // fewer than 320 results a second, which results_per_s shows.
        if (results < 100) bench.SkipWithError("the recording did not run");
    }
    bench.counters["core_percent"] = benchmark::Counter(cpu);
    bench.counters["results_per_s"] = benchmark::Counter(results);
    bench.counters["pictures_per_s"] = benchmark::Counter(pictures);
    link.closePort();
    sim.terminate();
    sim.waitForFinished(5000);
}

// Event mode, then every time base, 1 second to 50 days.
BENCHMARK(BM_LiveSecond)
    ->ArgName("timebase")
    ->DenseRange(-1, kTimebaseCount - 1)
    ->Unit(benchmark::kMillisecond);
// Event mode, then the time bases 1 second, 5 minutes and 50 days.
BENCHMARK(BM_LivePaced)
    ->ArgName("timebase")
    ->Arg(-1)
    ->Arg(0)
    ->Arg(7)
    ->Arg(19)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_DensestRedraw)
    ->ArgNames({"mode", "timebase"})
    ->ArgsProduct({{TimebaseRecord, TimebaseSearch}, {5, 7, 10, 15}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    return zvl::bench::runWithQt<QGuiApplication>(argc, argv);
}
