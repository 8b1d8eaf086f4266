#pragma once
// Stores for the search and navigation tests.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/state.h"
#include "tests/support/fakes.h"

namespace zvl::test {

struct SearchRig {
    AppState state;
    ScriptedPrompts prompts;
    CountingView view;

    SearchRig() {
        for (int k = 0; k < kInputCount; ++k) {
            state.inputActive[size_t(k)] = true;
            state.inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
        }
        state.operatingMode = EventSearch;
    }
    // `count` results at times t0 + step * i, all inputs off.
    void fill(int64_t count, int64_t t0 = 1000, int64_t step = 10) {
        state.store.results[0].setTime(uint32_t(t0));
        for (int64_t i = 1; i <= count; ++i) {
            state.store.results[size_t(i)].setTime(uint32_t(t0 + step * i));
            state.store.results[size_t(i)].inputStates = 0;
        }
        state.store.resultCount = count;
    }
    // Inputs of result n.
    void set(int64_t n, uint16_t inputStates) { state.store.results[size_t(n)].inputStates = inputStates; }
    void setTime(int64_t n, int64_t t) { state.store.results[size_t(n)].setTime(uint32_t(t)); }
    // The key: every input DoNotCare except the given (input, condition) pairs.
    void key(std::initializer_list<std::pair<int, SearchCondition>> conditions) {
        state.searchKey.fill(DoNotCare);
        for (auto [input, c] : conditions) state.searchKey[size_t(input - 1)] = c;
    }
};

}  // namespace zvl::test
