// libFuzzer targets for the three readers of outside files, one built per reader: ZVL_FUZZ_READER
// is 0 for the recording file, 1 for the settings-only file, 2 for the compliant CSV; the input is
// the file. Beyond the sanitizers' own checks it aborts when a reader leaves the store in a state
// the program does not allow.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "files/importfile.h"
#include "files/recordingfile.h"
#include "files/settingsonlyfile.h"
#include "tests/fuzz/fuzzcheck.h"

static_assert(ZVL_FUZZ_READER >= 0 && ZVL_FUZZ_READER <= 2, "ZVL_FUZZ_READER picks one of the three readers");

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zvl;
    static auto state = std::make_unique<AppState>();
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    MemorySource in(file);
    AppState& s = *state;
    s.store.clearResults();
    s.store.results[size_t(kLastSlot)] = ResultRecord{};
    switch (ZVL_FUZZ_READER) {
        case 0: {
            const RecordingRead r = readRecording(s, in);
            FUZZ_CHECK(r.fileCount >= 0 && r.fileCount <= 0xFFFF);
            FUZZ_CHECK(s.resultCount() >= 0 && s.resultCount() <= r.fileCount);
            FUZZ_CHECK(s.store.results[size_t(r.fileCount) + 1] == ResultRecord{});
            break;
        }
        case 1:
            readSettingsOnly(s, in);
            FUZZ_CHECK(s.resultCount() == 0);
            break;
        default: {
            const CsvImport r = readCompliantCsv(s, in);
            FUZZ_CHECK(s.resultCount() >= 0 && s.resultCount() <= kLastSlot);
            // A failing line's slot stays empty (the store-full stop names no new slot).
            FUZZ_CHECK(r.ok || r.lineNumber == kLastSlot + 2 ||
                       s.store.slot(s.resultCount()) == ResultRecord{});
            break;
        }
    }
    return 0;
}
