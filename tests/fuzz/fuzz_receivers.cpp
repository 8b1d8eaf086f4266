// libFuzzer targets for the two receivers of the instrument's bytes, wired as the program wires
// them on the fakes of tests/support, one built per receiver: ZVL_FUZZ_UPLOAD 0 for the live
// decoder, 1 for the upload's block receiver. The first two bytes tell how the rest is cut into
// data-available notifications (and for the upload, the answer to its time-error box). Beyond the
// sanitizers' checks it aborts when a complete packet is left waiting, the store count leaves its
// range, or the upload stores an empty slot.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/fuzz/fuzzcheck.h"
#include "tests/link/upload_rig.h"

static_assert(ZVL_FUZZ_UPLOAD == 0 || ZVL_FUZZ_UPLOAD == 1, "ZVL_FUZZ_UPLOAD picks one of the two receivers");

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zvl;
    if (size < 2) return 0;
    const size_t piece = 1 + data[1] % 64;
    const std::vector<uint8_t> stream(data + 2, data + size);
    if (!ZVL_FUZZ_UPLOAD) {
        test::Rig rig{sim::SimConfig{}, false};
        for (size_t at = 0; at < stream.size(); at += piece) {
            rig.feed(std::vector<uint8_t>(stream.begin() + long(at),
                                          stream.begin() + long(std::min(stream.size(), at + piece))));
            const std::string& buf = rig.state.rxBuffer;
            if (buf.size() >= 2) {
                FUZZ_CHECK(uint8_t(buf[0]) == 0x01 && uint8_t(buf[1]) <= 13);
                FUZZ_CHECK(buf.size() < size_t(uint8_t(buf[1])) + 2);
            }
            FUZZ_CHECK(rig.state.resultCount() >= 0 && rig.state.resultCount() <= kMaxResults);
        }
        return 0;
    }
    test::UploadRig u({}, false);
    const ChoiceAnswer answers[] = {ChoiceAnswer::DeleteThis,  ChoiceAnswer::DeleteAll,
                                    ChoiceAnswer::CorrectThis, ChoiceAnswer::CorrectAll,
                                    ChoiceAnswer::IgnoreThis,  ChoiceAnswer::IgnoreAll};
    u.rig.prompts.choiceAnswers.push_back(answers[data[0] % 6]);
    u.upload.uploadStoredData();
    AppState& st = u.rig.state;
    for (size_t at = 0; at < stream.size() && u.upload.running(); at += piece) {
        u.rig.feed(std::vector<uint8_t>(stream.begin() + long(at),
                                        stream.begin() + long(std::min(stream.size(), at + piece))));
        FUZZ_CHECK(st.resultCount() >= 0 && st.resultCount() <= kUploadLimit);
        if (u.upload.running())
            FUZZ_CHECK(st.rxBuffer.empty() || (uint8_t(st.rxBuffer[0]) == 0x01 && st.rxBuffer.size() < 132));
    }
    if (u.upload.outcome() == StoredDataUpload::Outcome::Completed)
        for (int64_t i = 1; i <= st.resultCount(); ++i)
            FUZZ_CHECK(!isEmptySlotKind(st.store.results[size_t(i)].kind));
    return 0;
}
