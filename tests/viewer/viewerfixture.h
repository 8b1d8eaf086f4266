#pragma once
// Stores and view states for the trace view tests.

#include <string>

#include "core/state.h"
#include "tests/support/fakes.h"
#include "viewer/tracerenderer.h"

namespace zvl::test {

// All inputs shown and named, conditions DoNotCare, times t0 + step * i, input 1 toggling.
inline void fillStore(AppState& st, int64_t count, int64_t t0, int64_t step) {
    for (int k = 0; k < kInputCount; ++k) {
        st.inputActive[size_t(k)] = true;
        st.inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
    }
    st.store.results[0].setTime(uint32_t(t0));
    for (int64_t i = 1; i <= count; ++i) {
        ResultRecord& r = st.store.results[size_t(i)];
        r.setTime(uint32_t(t0 + step * i));
        r.inputStates = uint16_t((i & 1) ? 0x0001 : 0x0000) | 0x8000;  // input 16 always on
    }
    st.store.resultCount = count;
    st.recordingEndTime = t0 + step * count;
}

struct ViewerRig {
    AppState state;
    FakeClock clock;
    ScriptedPrompts prompts;
    CountingView view;
    TraceRenderer renderer{state, clock, prompts};
    std::vector<SegmentCall> segments;
    ViewerRig() { renderer.segmentLog = &segments; }
    // Segments drawn for one input, in drawing order.
    std::vector<SegmentCall> of(int input, SegmentKind kind) const {
        std::vector<SegmentCall> out;
        for (const auto& s : segments)
            if (s.input == input && s.kind == kind) out.push_back(s);
        return out;
    }
};

}  // namespace zvl::test
