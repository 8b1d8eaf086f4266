#include "sim/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/comports.h"

namespace zvl::sim {

namespace {

constexpr double kMaxRate = 1e6;  // per second, for every rate option

std::optional<double> parseRate(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v) || v < 0 || v > kMaxRate)
        return std::nullopt;
    return v;
}

// Decimal, or hexadecimal with 0x.
std::optional<unsigned long long> parseUnsigned(const std::string& text, unsigned long long max) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end != text.c_str() + text.size() || v > max) return std::nullopt;
    return v;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "X.YZ": major X (0..255), minor with Y in the high and Z in the low nibble.
bool parseFirmware(const std::string& text, uint8_t& major, uint8_t& minor) {
    const size_t dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || text.size() != dot + 3) return false;
    if (!isDigit(text[dot + 1]) || !isDigit(text[dot + 2])) return false;
    const auto m = parseUnsigned(text.substr(0, dot), 255);
    if (!m || !isDigit(text[0])) return false;
    major = uint8_t(*m);
    minor = uint8_t(((text[dot + 1] - '0') << 4) | (text[dot + 2] - '0'));
    return true;
}

}  // namespace

std::optional<std::string> parseArguments(const std::vector<std::string>& args, ProgramOptions& out) {
    bool havePort = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.rfind("--", 0) == 0) {
            const size_t eq = name.find('=');
            if (eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
        }
        auto flag = [&]() -> bool { return !inlineValue; };
        auto value = [&](std::string& v) -> bool {
            if (inlineValue) {
                v = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        auto chanceOption = [&](double& target) -> std::optional<std::string> {
            std::string v;
            if (!value(v)) return name + " needs a chance from 0 to 1";
            const auto r = parseRate(v);
            if (!r || *r > 1) return name + " wants a chance from 0 to 1, not \"" + v + "\"";
            target = *r;
            return std::nullopt;
        };
        auto countOption = [&](int64_t& target, unsigned long long max) -> std::optional<std::string> {
            std::string v;
            if (!value(v)) return name + " needs a number";
            const auto n = parseUnsigned(v, max);
            if (!n) return name + " wants a number from 0 to " + std::to_string(max) + ", not \"" + v + "\"";
            target = int64_t(*n);
            return std::nullopt;
        };
        auto rateOption = [&](double& target) -> std::optional<std::string> {
            std::string v;
            if (!value(v)) return name + " needs a rate per second";
            const auto r = parseRate(v);
            if (!r) return name + " wants a number from 0 to 1000000, not \"" + v + "\"";
            target = *r;
            return std::nullopt;
        };

        std::string v;
        if (name == "--help" || name == "-h") {
            if (!flag()) return name + " takes no value";
            out.help = true;
        } else if (name == "--version") {
            if (!flag()) return name + " takes no value";
            out.version = true;
        } else if (name == "--port") {
            if (!value(v)) return "--port needs a port name such as COM1";
            const auto n = zvl::parseComName(v);
            if (!n) return "--port wants COM1 .. COM255, not \"" + v + "\"";
            out.port = *n;
            havePort = true;
        } else if (name == "--unpaced") {
            if (!flag()) return name + " takes no value";
            out.paced = false;
        } else if (name == "--silent") {
            if (!flag()) return name + " takes no value";
            out.engine.silent = true;
        } else if (name == "--zmodem-name") {
            if (!value(v) || v.empty()) return "--zmodem-name needs a file name";
            out.zmodemName = v;
        } else if (name == "--verbose") {
            if (!flag()) return name + " takes no value";
            out.verbose = true;
        } else if (name == "--rate") {
            if (auto e = rateOption(out.engine.resultsPerSecond)) return e;
        } else if (name == "--noise") {
            if (auto e = rateOption(out.engine.noiseBytesPerSecond)) return e;
        } else if (name == "--unknown-signals") {
            if (auto e = rateOption(out.engine.unknownSignalsPerSecond)) return e;
        } else if (name == "--invalid-signals") {
            if (auto e = rateOption(out.engine.invalidSignalsPerSecond)) return e;
        } else if (name == "--malformed") {
            if (auto e = rateOption(out.engine.malformedPerSecond)) return e;
        } else if (name == "--serial") {
            if (!value(v)) return "--serial needs a serial number";
            if (v.empty() || v.size() > 8) return "--serial wants 1 to 8 characters, not \"" + v + "\"";
            for (char c : v)
                if (c < 0x20 || c > 0x7E) return "--serial wants printable ASCII characters";
            out.engine.serialNumber = v;
        } else if (name == "--firmware") {
            if (!value(v)) return "--firmware needs a version such as 1.51";
            if (!parseFirmware(v, out.engine.firmwareMajor, out.engine.firmwareMinor))
                return "--firmware wants a version X.YZ such as 1.51, not \"" + v + "\"";
        } else if (name == "--options") {
            if (!value(v)) return "--options needs a number";
            const auto n = parseUnsigned(v, 255);
            if (!n) return "--options wants a number from 0 to 255 (or 0x00 to 0xFF), not \"" + v + "\"";
            out.engine.options = uint8_t(*n);
        } else if (name == "--memory") {
            if (auto e = countOption(out.engine.memoryRecords, uint64_t(kMemoryCapacity))) return e;
        } else if (name == "--wrap-at") {
            if (auto e = countOption(out.engine.memoryWrapAt, uint64_t(kMemoryCapacity))) return e;
            if (out.engine.memoryWrapAt == 0) return "--wrap-at wants a record number from 1";
        } else if (name == "--in-order") {
            if (!flag()) return name + " takes no value";
            out.engine.memoryInOrder = true;
        } else if (name == "--backward-times") {
            if (auto e = countOption(out.engine.memoryBackwardTimes, uint64_t(kMemoryCapacity))) return e;
        } else if (name == "--bad-checksums") {
            if (auto e = chanceOption(out.engine.badChecksumChance)) return e;
        } else if (name == "--repeat-blocks") {
            if (auto e = chanceOption(out.engine.repeatBlockChance)) return e;
        } else if (name == "--block-garbage") {
            if (auto e = chanceOption(out.engine.blockGarbageChance)) return e;
        } else if (name == "--block-pauses") {
            if (auto e = chanceOption(out.engine.blockPauseChance)) return e;
        } else if (name == "--pause-ms") {
            if (auto e = countOption(out.engine.blockPauseMs, 3'600'000)) return e;
        } else if (name == "--dump-memory") {
            if (!value(v) || v.empty()) return "--dump-memory needs a file name";
            out.dumpMemoryPath = v;
        } else if (name == "--seed") {
            if (!value(v)) return "--seed needs a number";
            const auto n = parseUnsigned(v, 0xFFFFFFFFull);
            if (!n) return "--seed wants a number from 0 to 4294967295, not \"" + v + "\"";
            out.engine.seed = uint32_t(*n);
        } else {
            return "unknown option \"" + args[i] + "\"";
        }
    }
    if (!out.help && !out.version && !havePort) return "--port COMn is required";
    if (out.engine.memoryWrapAt > out.engine.memoryRecords)
        return "--wrap-at " + std::to_string(out.engine.memoryWrapAt) + " is beyond the " +
               std::to_string(out.engine.memoryRecords) + " records of --memory";
    if (out.engine.memoryInOrder && out.engine.memoryWrapAt == 0) return "--in-order needs --wrap-at";
    return std::nullopt;
}

std::string usageText() {
    return "Usage: zvl-sim --port COMn [options]\n"
           "Simulates a Pellam ZVL instrument on a pseudo-terminal and links it as COMn\n"
           "($XDG_CONFIG_HOME/Pellam/ports/COMn, default ~/.config/Pellam/ports/COMn).\n"
           "\n"
           "Options:\n"
           "  --port COMn            port name to link (COM1 .. COM255); required\n"
           "  --unpaced              write as fast as possible instead of at 19200 bit/s\n"
           "  --rate R               live results per second while streaming (default 4)\n"
           "  --serial S             serial number, up to 8 characters (default ZV000417)\n"
           "  --firmware X.YZ        firmware version (default 1.51)\n"
           "  --options N            option bits reported by the instrument, 0..255 (default 5)\n"
           "  --seed N               random seed of the inputs and faults (default 1)\n"
           "  --noise R              stray bytes per second in the live stream\n"
           "  --unknown-signals R    single 0x05 bytes per second in the live stream\n"
           "  --invalid-signals R    single 0x15 bytes per second in the live stream\n"
           "  --malformed R          malformed packets per second in the live stream\n"
           "  --silent               answer nothing and stream nothing\n"
           "\n"
           "Memory (sent as 132-byte blocks after command 0x42 and the PC's NAK):\n"
           "  --memory N             records held, 0 .. 100000 (default 0)\n"
           "  --wrap-at K            the memory has wrapped: records 1..K are the newest, K has\n"
           "                         kind 0xBF and record 1 the wrap flag\n"
           "  --in-order             with --wrap-at: sent in time order, first record kind 0xA0\n"
           "  --backward-times K     K records whose time runs backwards\n"
           "  --bad-checksums P      chance per block of a wrong checksum on its first sending\n"
           "  --repeat-blocks P      chance per block of sending it once more after its ACK\n"
           "  --block-garbage P      chance per block of 1..16 stray bytes before it\n"
           "  --block-pauses P       chance per block of a pause before it (until a NAK comes)\n"
           "  --pause-ms MS          length of those pauses (default 6000)\n"
           "  --dump-memory FILE     write the records in the order they were written, 8 bytes\n"
           "                         each (flags, kind, time, inputs), then start\n"
           "  --zmodem-name NAME     the file name sent with the memory image after 0x43\n"
           "                         (default ZVLIMAGE.BIN); sent as given, so a name with\n"
           "                         ../ tests the PC's receiver\n"
           "  --verbose              log the commands received to stderr\n"
           "  --help                 show this text\n"
           "  --version              print the version\n"
           "\n"
           "When ready it prints \"zvl-sim: COMn -> /dev/pts/N\". SIGINT, SIGTERM or SIGHUP\n"
           "ends it and removes the link.\n";
}

}  // namespace zvl::sim
