// libFuzzer target for the zvl argument parser: the input is split at NUL bytes into the
// arguments. Beyond the sanitizers' checks it aborts when a valid line loses or invents an
// argument, or when the number readers accept text they should not.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/args.h"
#include "tests/fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zvl::cli;
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += char(data[i]);
    }
    const ParsedArgs a = parseArgs(args, {"--port", "--output", "--rate"}, {"--verbose", "--unpaced"},
                                   {{"-o", "--output"}, {"-v", "--verbose"}});
    if (a.error.empty()) {
        // Every argument is one positional, one flag, or an option with its value (one or two
        // arguments); nothing more can come out than went in.
        FUZZ_CHECK(a.positionals.size() + a.flags.size() + a.values.size() <= args.size());
        for (const auto& [name, value] : a.values) FUZZ_CHECK(name.rfind("--", 0) == 0);
    }
    for (const std::string& s : args) {
        const auto n = parseCount(s);
        FUZZ_CHECK(!n || *n >= 0);
        const auto t = parseSeconds(s);
        FUZZ_CHECK(!t || (std::isfinite(*t) && *t >= 0));
    }
    return 0;
}
