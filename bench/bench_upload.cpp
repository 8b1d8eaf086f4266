// The stored-data upload of a full memory:
//   BM_UploadInProcess   the block receiver and the instrument engine with nothing between
//                        them (the program's own cost per 100000 records);
//   BM_UploadOverPty     zvl-sim as its own process on a pseudo-terminal, the Qt serial port,
//                        clock, event loop and timer of the application; unpaced (arg 0) the
//                        whole 100000 records, paced at 19200 bit/s (arg 1) a memory of 6000
//                        records, reported against the line's own limit
//                        (blocks x 132 bytes x 10 bits / 19200).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <deque>

#include "bench/benchsupport.h"
#include "bench/qtbenchmain.h"
#include "link/upload.h"
#include "platform/comports.h"
#include "qt/qtclock.h"
#include "qt/qteventpump.h"
#include "qt/qtserialport.h"
#include "qt/qttimer.h"
#include "sim/engine.h"

namespace zvl {
namespace {

// ---------------------------------------------------------------------------------------
// In process: the engine answers every write at once.

class EnginePort : public SerialPort {
public:
    explicit EnginePort(sim::InstrumentEngine& e) : engine(e) {}
    sim::InstrumentEngine& engine;
    std::deque<uint8_t> line;
    std::function<void(int64_t)> handler;
    bool open(const std::string&) override { return true; }
    bool isOpen() const override { return true; }
    void close() override {}
    std::string lastError() const override { return {}; }
    int64_t bytesAvailable() const override { return int64_t(line.size()); }
    bool readByte(uint8_t& b) override {
        if (line.empty()) return false;
        b = line.front();
        line.pop_front();
        return true;
    }
    void write(const std::vector<uint8_t>& bytes) override {
        engine.receive(bytes, 0);
        for (uint8_t b : engine.takeOutput()) line.push_back(b);
    }
    void setDataAvailableHandler(std::function<void(int64_t)> h) override { handler = std::move(h); }
    void setLostHandler(std::function<void(const std::string&)>) override {}  // never lost
    PortProbe probe(const std::string&) override { return PortProbe::Absent; }
};

void BM_UploadInProcess(benchmark::State& bench) {
    sim::SimConfig config;
    config.memoryRecords = 100000;
    config.memoryWrapAt = 37000;
    sim::InstrumentEngine engine(config);
    EnginePort port(engine);
    AppState state;
    bench::StillClock clock;
    bench::NoPump pump;
    bench::NoTimer t1, t2, xmodem;
    bench::QuietPrompts prompts;
    prompts.choice = ChoiceAnswer::IgnoreAll;
    ViewHooks view;
    InstrumentLink link(state, port, clock, pump, prompts, view, t1, t2);
    StoredDataUpload upload(state, link, clock, prompts, view, xmodem);
    for (auto _ : bench) {
        state.instrumentOnline = true;
        upload.uploadStoredData();
        while (upload.running() && port.bytesAvailable() > 0) port.handler(port.bytesAvailable());
        if (upload.outcome() != StoredDataUpload::Outcome::Completed || state.resultCount() != 100000)
            bench.SkipWithError("the upload did not complete");
    }
    bench.SetItemsProcessed(int64_t(bench.iterations()) * 100000);
    bench.SetBytesProcessed(int64_t(bench.iterations()) * 6250 * 132);
}
BENCHMARK(BM_UploadInProcess)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------
// Over a pseudo-terminal, against zvl-sim.

void BM_UploadOverPty(benchmark::State& bench) {
    const bool paced = bench.range(0) != 0;
    const int64_t records = paced ? 6000 : 100000;
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", QDir(config.path()).absolutePath().toLocal8Bit().constData(), 1);
    QProcess sim;
    QStringList args{"--port", "COM12", "--memory", QString::number(records), "--wrap-at", "1234"};
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
    QtTimer t1{5000}, t2{500}, xmodem{5000};
    bench::QuietPrompts prompts;
    prompts.choice = ChoiceAnswer::IgnoreAll;
    ViewHooks view;
    InstrumentLink link(state, port, clock, pump, prompts, view, t1, t2);
    StoredDataUpload upload(state, link, clock, prompts, view, xmodem);
    xmodem.setHandler([&] { upload.onUploadRetryTimer(); });
    if (!link.openDevice("COM12")) {
        bench.SkipWithError("cannot open the simulator's port");
        return;
    }
    link.connect();
    if (!state.instrumentOnline) {
        bench.SkipWithError("the simulator did not answer");
        return;
    }

    const int64_t blocks = (records + 15) / 16;
    const double lineSeconds = double(blocks) * 132.0 * 10.0 / 19200.0;
    double ratio = 0;
    for (auto _ : bench) {
        link.waitTicks(3, true);  // let the line settle between runs
        state.operatingMode = EventRecord;
        state.instrumentOnline = true;
        const int64_t start = clock.milliseconds();
        upload.uploadStoredData();
        while (upload.running()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = double(clock.milliseconds() - start) / 1000.0;
        bench.SetIterationTime(seconds);
        ratio = seconds / lineSeconds;
        if (upload.outcome() != StoredDataUpload::Outcome::Completed || state.resultCount() != records)
            bench.SkipWithError("the upload did not complete");
    }
    if (paced) bench.counters["ratio_to_line_limit"] = ratio;
    bench.counters["records"] = double(records);
    link.closePort();
    sim.terminate();
    sim.waitForFinished(5000);
}
BENCHMARK(BM_UploadOverPty)->Arg(0)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadOverPty)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    return zvl::bench::runWithQt<QCoreApplication>(argc, argv);
}
