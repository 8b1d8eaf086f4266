// libFuzzer target for the settings file reader: any bytes as the file. Beyond the sanitizers'
// checks it aborts when a value the program uses is left out of its range, or when what was
// read does not survive being written and read again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "files/settings.h"
#include "tests/fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zvl;
    // The store is large and untouched by the reader: the states are made once.
    static auto state = std::make_unique<AppState>();
    static auto again = std::make_unique<AppState>();
    decodeSettings(std::string_view(reinterpret_cast<const char*>(data), size), *state);
    FUZZ_CHECK(state->operatingMode.number() <= 3);
    const std::string written = encodeSettings(*state);
    FUZZ_CHECK(decodeSettings(written, *again) && encodeSettings(*again) == written);
    return 0;
}
