#include "files/binaryfile.h"

#include "files/recordbytes.h"

namespace zvl {

std::string binaryFileBytes(const AppState& state) {
    std::string out;
    out.reserve(kRecordBytes * size_t(state.resultCount()));
    for (int64_t i = 1; i <= state.resultCount(); ++i) appendRecordBytes(out, state.store.slot(i));
    return out;
}

}  // namespace zvl
