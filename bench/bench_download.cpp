// The binary download (ZMODEM) of the instrument's memory image, zvl-sim sending with sz on a
// pseudo-terminal and the program receiving with rz through the Qt serial port, event loop and
// QProcess: unpaced (arg 0) a full memory of 100000 records, paced at 19200 bit/s (arg 1) a
// memory of 10000 records, reported against the line's own limit for the bytes that crossed
// it (ZMODEM's framing, escapes and CRCs included): bytes x 10 bits / 19200.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>

#include "bench/benchsupport.h"
#include "bench/qtbenchmain.h"
#include "link/download.h"
#include "qt/qtclock.h"
#include "qt/qteventpump.h"
#include "qt/qtreceiverprocess.h"
#include "qt/qtserialport.h"
#include "qt/qttimer.h"

namespace zvl {
namespace {

// rz, counting the bytes that came over the line for it.
class CountingReceiver : public ReceiverProcess {
public:
    QtReceiverProcess rz;
    int64_t bytesIn = 0;
    bool start(const std::string& folder) override { return rz.start(folder); }
    bool isRunning() const override { return rz.isRunning(); }
    void write(const std::vector<uint8_t>& bytes) override {
        bytesIn += int64_t(bytes.size());
        rz.write(bytes);
    }
    void stop() override { rz.stop(); }
    void setOutputHandler(std::function<void(const std::vector<uint8_t>&)> h) override {
        rz.setOutputHandler(std::move(h));
    }
    void setFinishedHandler(std::function<void(bool)> h) override { rz.setFinishedHandler(std::move(h)); }
    std::string errorText() const override { return rz.errorText(); }
};

void BM_DownloadOverPty(benchmark::State& bench) {
    const bool paced = bench.range(0) != 0;
    const int64_t records = paced ? 10000 : 100000;
    QTemporaryDir work;
    ::setenv("XDG_CONFIG_HOME", QDir(work.path()).absolutePath().toLocal8Bit().constData(), 1);
    QProcess sim;
    QStringList args{"--port", "COM13", "--memory", QString::number(records)};
    if (!paced) args << "--unpaced";
    sim.start(QStringLiteral(ZVL_SIM_EXECUTABLE), args);
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(10000)) {
        bench.SkipWithError("zvl-sim did not start");
        return;
    }

    AppState state;
    QtClock clock;
    QtEventPump pump(clock);
    QtSerialPort port;
    QtTimer t1{5000}, t2{500}, t3;
    bench::QuietPrompts prompts;
    ViewHooks view;
    InstrumentLink link(state, port, clock, pump, prompts, view, t1, t2);
    CountingReceiver receiver;
    BinaryDownload download(state, link, receiver, clock, prompts, view, t3);
    if (!link.openDevice("COM13")) {
        bench.SkipWithError("cannot open the simulator's port");
        return;
    }
    const std::string target = (work.path() + "/image.bin").toStdString();
    double ratio = 0, lineSeconds = 0;
    for (auto _ : bench) {
        receiver.bytesIn = 0;
        const int64_t start = clock.milliseconds();
        download.start(target);
        while (download.outcome() == BinaryDownload::Outcome::Running)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = double(clock.milliseconds() - start) / 1000.0;
        bench.SetIterationTime(seconds);
        lineSeconds = double(receiver.bytesIn) * 10.0 / 19200.0;
        ratio = seconds / lineSeconds;
        if (download.outcome() != BinaryDownload::Outcome::Complete ||
            QFile(QString::fromStdString(target)).size() != records * 8)
            bench.SkipWithError("the download did not complete");
        link.waitTicks(10, true);  // sz ends before the next run asks again
    }
    bench.counters["records"] = double(records);
    bench.counters["line_bytes"] = double(receiver.bytesIn);
    if (paced) {
        bench.counters["line_limit_s"] = lineSeconds;
        bench.counters["ratio_to_line_limit"] = ratio;
    }
    link.closePort();
    sim.terminate();
    sim.waitForFinished(5000);
}
BENCHMARK(BM_DownloadOverPty)->Arg(0)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadOverPty)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    return zvl::bench::runWithQt<QCoreApplication>(argc, argv);
}
