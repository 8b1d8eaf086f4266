#pragma once
// Command-line parsing of the zvl tool: "--name value", "--name=value", flags and positionals.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zvl::cli {

struct ParsedArgs {
    std::map<std::string, std::string> values;               // options with a value (the last one given)
    std::vector<std::pair<std::string, std::string>> given;  // every one, in order
    std::set<std::string> flags;                             // options without one
    std::vector<std::string> positionals;
    std::string error;  // empty when the line is valid
    bool has(const std::string& name) const { return values.count(name) || flags.count(name); }
    std::optional<std::string> value(const std::string& name) const;
    // Every value of an option that may be given more than once, in order.
    std::vector<std::string> all(const std::string& name) const;
};

// valueOptions take a value, flagOptions do not ("--help" is always a flag). Short aliases
// map to long names, e.g. {"-o", "--output"}.
ParsedArgs parseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions,
                     const std::map<std::string, std::string>& aliases = {});

// A whole non-negative number, or nullopt.
std::optional<long long> parseCount(const std::string& text);
// A non-negative number of seconds (fractions allowed), or nullopt.
std::optional<double> parseSeconds(const std::string& text);

}  // namespace zvl::cli
