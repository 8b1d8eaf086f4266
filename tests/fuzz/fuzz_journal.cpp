// libFuzzer target for the journal reader; the input is the journal file. Beyond the
// sanitizers' own checks it aborts when the reader keeps records it should not: more than the
// input can hold, records without a header, or a cut tail not said.
//
// With ZVL_JOURNAL_SEEDS it is instead a small program writing the seed files of the corpus
// (tests/fuzz/corpus/journal) into the folder it is given.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/journal.h"
#include "tests/fuzz/fuzzcheck.h"

#ifndef ZVL_JOURNAL_SEEDS
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zvl;
    const JournalContents j = readJournal(std::string_view(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(j.records.size() * 8 <= size);
    FUZZ_CHECK(j.headerRead || j.records.empty());
    FUZZ_CHECK(j.droppedRecords >= 0 && j.blocksCut >= 0);
    FUZZ_CHECK(j.blocksCut == 0 || !j.problem.empty());
    FUZZ_CHECK(j.records.empty() ||
               (j.firstIndex >= 1 && j.firstIndex + int64_t(j.records.size()) - 1 <= kLastSlot));
    return 0;
}
#else
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace zvl;
    if (argc != 2) return 1;
    JournalHeader h;
    h.kind = JournalKind::Collect;
    h.startTime = 790000000;
    h.port = "/dev/ttyUSB0";
    h.serialNumber = "1234";
    h.title = "Title";
    h.commentLines = {"a comment"};
    for (int i = 0; i < kInputCount; ++i) h.labels[size_t(i)] = "Channel " + std::to_string(i + 1);
    h.active.fill(true);
    std::vector<ResultRecord> r(6);
    for (size_t k = 0; k < r.size(); ++k) {
        r[k].kind = 0xA0;
        r[k].setTime(uint32_t(790000000 + k));
        r[k].inputStates = uint16_t(1u << k);
    }
    const std::string head = encodeJournalHeader(h);
    const std::string whole =
        head + encodeJournalBlock(1, r.data(), 2) + encodeJournalBlock(3, r.data() + 2, 4);
    const std::pair<const char*, std::string> seeds[] = {
        {"header_only", head},
        {"two_blocks", whole},
        {"torn_tail", whole.substr(0, whole.size() - 5)},
        {"log_from_500", head + encodeJournalBlock(500, r.data(), 6)},
    };
    for (const auto& [name, bytes] : seeds)
        std::ofstream(std::string(argv[1]) + "/" + name, std::ios::binary) << bytes;
    return 0;
}
#endif
