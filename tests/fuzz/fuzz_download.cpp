// libFuzzer target for the binary download's relay: the bytes between the port and the
// receiver's process, on the test fakes with a stand-in receiver. The input is a script: each
// step is bytes arriving from the port, bytes the receiver writes, a file (or a symlink, or a
// subfolder) the receiver leaves in its folder, time passing, Cancel, the receiver's end, the
// device going away, or a new start. A model of what the relay must do runs beside it; the
// target aborts when the relay loses, adds or reorders a byte either way, lets a byte reach
// the packet decoder, ends in the wrong way, writes the chosen file when it should not (or
// wrongly when it should), touches anything outside its folder, or leaves its folder behind.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "link/download.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/link/standin_receiver.h"
#include "tests/support/fakes.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<none>";
}

// The chosen file and an unrelated file beside it, in a folder of this process, removed at its
// exit.
const fs::path& sandbox() {
    static const fs::path* dir = [] {
        const auto* d =
            new fs::path(fs::temp_directory_path() / ("zvl-fuzz-download-" + std::to_string(::getpid())));
        fs::create_directories(*d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(sandbox(), ec);
        });
        return d;
    }();
    return *dir;
}

// Reads the script's bytes; past the end everything is zero.
struct Script {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool done() const { return at >= size; }
    uint8_t next() { return at < size ? data[at++] : 0; }
    Bytes take(size_t n) {
        Bytes out;
        while (n-- > 0 && at < size) out.push_back(data[at++]);
        return out;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zvl;
    const fs::path target = sandbox() / "chosen.bin";
    const fs::path outside = sandbox() / "outside.txt";
    std::ofstream(target, std::ios::binary) << "old";
    std::ofstream(outside, std::ios::binary) << "not the relay's";
    std::string expectTarget = "old";
    std::vector<std::string> folders;  // every private folder the relay made
    {
        test::Rig rig{sim::SimConfig{}, false};
        rig.state.operatingMode = EventRecord;
        rig.state.instrumentOnline = true;
        test::StandInReceiver receiver;
        test::FakeTimer status{rig.clock, "downloadStatus"};
        BinaryDownload download{rig.state, rig.link, receiver, rig.clock, rig.prompts, rig.view, status};

        bool running = false, cancelled = false, lost = false;
        Bytes expectIn, expectOut;
        std::map<std::string, std::string> received;  // regular files at the folder's top
        // The boxes shown before the current download started.
        size_t boxes = 0;
        // A download's end: its outcome, its folder gone, every byte relayed, and its box (a
        // warning, or an information) as the last one shown.
        const auto ended = [&](BinaryDownload::Outcome outcome, const std::string& message, bool warning) {
            FUZZ_CHECK(download.outcome() == outcome);
            FUZZ_CHECK(!rig.state.protocolTransferActive);
            FUZZ_CHECK(!fs::exists(folders.back()));
            FUZZ_CHECK(receiver.input == expectIn && rig.port.written == expectOut);
            const std::vector<std::string>& said = warning ? rig.prompts.warnings : rig.prompts.informations;
            FUZZ_CHECK(!said.empty() && said.back() == message);
            FUZZ_CHECK(rig.prompts.warnings.size() + rig.prompts.informations.size() > boxes);
            running = false;
        };

        Script script{data, size};
        while (!script.done() && !lost) {
            const uint8_t op = script.next();
            switch (op % 9) {
                case 0: {  // from the port
                    const Bytes bytes = script.take(1 + script.next() % 96);
                    if (!rig.state.protocolTransferActive) break;  // the packet decoder's business
                    rig.feed(bytes);
                    if (!cancelled) expectIn.insert(expectIn.end(), bytes.begin(), bytes.end());
                    FUZZ_CHECK(rig.state.rxBuffer.empty() && rig.state.resultCount() == 0);
                    break;
                }
                case 1: {  // from the receiver
                    const Bytes bytes = script.take(1 + script.next() % 96);
                    receiver.emit(bytes);
                    if (running) expectOut.insert(expectOut.end(), bytes.begin(), bytes.end());
                    break;
                }
                case 2: {  // a file in its folder
                    const uint8_t how = script.next();
                    const Bytes bytes = script.take(script.next() % 64);
                    if (!running) break;
                    const std::string text(bytes.begin(), bytes.end());
                    const fs::path folder = receiver.folder_;
                    switch (how % 4) {
                        case 0:
                        case 1: {
                            const std::string name = how % 4 == 0 ? "IMAGE.BIN" : "SECOND.BIN";
                            receiver.receive(name, text);
                            received[name] = text;
                            break;
                        }
                        case 2: {  // a symlink to a file outside: never the image
                            std::error_code ec;
                            fs::create_symlink(outside, folder / "LINK.BIN", ec);
                            break;
                        }
                        default: {  // a subfolder with a file: not the image either
                            std::error_code ec;
                            fs::create_directory(folder / "SUB", ec);
                            std::ofstream(folder / "SUB" / "INNER.BIN", std::ios::binary) << text;
                            break;
                        }
                    }
                    break;
                }
                case 3:  // time passes (the byte counter reads the folder)
                    rig.run(10 * int64_t(script.next()));
                    break;
                case 4:  // Cancel on the progress panel
                    download.cancel();
                    if (running) {
                        expectOut.push_back(0x18);
                        cancelled = true;
                    }
                    break;
                case 5: {  // the receiver ends
                    const bool success = script.next() & 1;
                    if (!receiver.running) break;
                    receiver.finish(success);
                    if (cancelled) {
                        ended(BinaryDownload::Outcome::Cancelled, kDownloadCancelledText, false);
                    } else if (!success) {
                        ended(BinaryDownload::Outcome::Failed, kTransferErrorText, false);
                    } else if (received.size() != 1) {  // no image, or two: which is it?
                        ended(BinaryDownload::Outcome::Failed, kTransferErrorText, true);
                    } else if (received.begin()->second.empty()) {  // an empty memory keeps the file
                        ended(BinaryDownload::Outcome::Failed,
                              "The instrument sent an empty memory image: " + target.string() +
                                  " is kept as it was.",
                              true);
                    } else {
                        expectTarget = received.begin()->second;
                        ended(BinaryDownload::Outcome::Complete, kDownloadCompleteText, false);
                    }
                    break;
                }
                case 6:  // the device goes away: nothing more comes; the one box names the port
                    rig.port.loseDevice();
                    lost = true;
                    if (running) {
                        receiver.running = false;
                        ended(BinaryDownload::Outcome::Failed, downloadLostMessage("Input/output error"),
                              true);
                        FUZZ_CHECK(rig.prompts.informations.size() + rig.prompts.warnings.size() ==
                                   boxes + 1);
                    }
                    break;
                case 7: {  // a new start, or one whose receiver cannot start
                    if (rig.state.protocolTransferActive) break;
                    receiver.startable = script.next() % 8 != 0;
                    const bool started = download.start(target.string());
                    folders.push_back(receiver.folder_);
                    FUZZ_CHECK(started == receiver.startable);
                    if (!started) {
                        FUZZ_CHECK(!fs::exists(receiver.folder_));
                        FUZZ_CHECK(rig.prompts.warnings.back() == receiver.errorText());
                        break;
                    }
                    FUZZ_CHECK(fs::is_directory(receiver.folder_));
                    FUZZ_CHECK((fs::status(receiver.folder_).permissions() & fs::perms::all) ==
                               fs::perms::owner_all);
                    running = true;
                    cancelled = false;
                    boxes = rig.prompts.warnings.size() + rig.prompts.informations.size();
                    received.clear();
                    expectIn.clear();
                    receiver.input.clear();
                    expectOut.clear();
                    rig.port.written.clear();
                    break;
                }
                default:  // the relay between steps: every byte so far, in order
                    FUZZ_CHECK(receiver.input == expectIn && rig.port.written == expectOut);
                    break;
            }
            FUZZ_CHECK(rig.state.resultCount() == 0);
        }
    }
    // The download is gone: no folder of it remains, nothing outside changed.
    for (const std::string& folder : folders) FUZZ_CHECK(!fs::exists(folder));
    FUZZ_CHECK(contents(target) == expectTarget);
    FUZZ_CHECK(contents(outside) == "not the relay's");
    size_t entries = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(sandbox())) entries += e.is_regular_file();
    FUZZ_CHECK(entries == 2);
    return 0;
}
