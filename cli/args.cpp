#include "cli/args.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace zvl::cli {

std::optional<std::string> ParsedArgs::value(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> ParsedArgs::all(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& [n, v] : given)
        if (n == name) out.push_back(v);
    return out;
}

ParsedArgs parseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions,
                     const std::map<std::string, std::string>& aliases) {
    ParsedArgs out;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (auto a = aliases.find(arg); a != aliases.end()) arg = a->second;
        if (arg.size() < 2 || arg[0] != '-' || arg == "--") {
            if (arg == "--") {
                for (++i; i < args.size(); ++i) out.positionals.push_back(args[i]);
                break;
            }
            out.positionals.push_back(arg);
            continue;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        if (name == "--help" || name == "-h") {
            out.flags.insert("--help");
        } else if (valueOptions.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    out.error = "option " + name + " needs a value";
                    return out;
                }
                value = args[++i];
            }
            out.values[name] = value;
            out.given.emplace_back(name, value);
        } else if (flagOptions.count(name) && !inlineValue) {
            out.flags.insert(name);
        } else {
            out.error = "unknown option " + arg;
            return out;
        }
    }
    return out;
}

std::optional<long long> parseCount(const std::string& text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<double> parseSeconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(v) || v < 0) return std::nullopt;
    return v;
}

}  // namespace zvl::cli
