#include "sim/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "cli/args.h"
#include "platform/comports.h"
#include "sim/replay.h"

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

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

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

namespace {

// What a value option is for, in the message about a missing value.
const std::map<std::string, std::string> kValueOptions = {
    {"--port", "--port needs a port name such as COM1"},
    {"--zmodem-name", "--zmodem-name needs a file name"},
    {"--rate", "--rate needs a rate per second"},
    {"--noise", "--noise needs a rate per second"},
    {"--unknown-signals", "--unknown-signals needs a rate per second"},
    {"--invalid-signals", "--invalid-signals needs a rate per second"},
    {"--malformed", "--malformed needs a rate per second"},
    {"--serial", "--serial needs a serial number"},
    {"--firmware", "--firmware needs a version such as 1.51"},
    {"--options", "--options needs a number"},
    {"--memory", "--memory needs a number"},
    {"--wrap-at", "--wrap-at needs a number"},
    {"--backward-times", "--backward-times needs a number"},
    {"--bad-checksums", "--bad-checksums needs a chance from 0 to 1"},
    {"--repeat-blocks", "--repeat-blocks needs a chance from 0 to 1"},
    {"--block-garbage", "--block-garbage needs a chance from 0 to 1"},
    {"--block-pauses", "--block-pauses needs a chance from 0 to 1"},
    {"--pause-ms", "--pause-ms needs a number"},
    {"--dump-memory", "--dump-memory needs a file name"},
    {"--sent-log", "--sent-log needs a file name"},
    {"--replay", "--replay needs a file name"},
    {"--seed", "--seed needs a number"},
};
const std::set<std::string> kFlagOptions = {"--version", "--unpaced", "--silent", "--verbose", "--in-order"};

// The parser's own message, in this program's words.
std::string usageError(const std::string& error) {
    const std::string unknown = "unknown option ", needs = "option ";
    if (error.rfind(unknown, 0) == 0) {
        const std::string arg = error.substr(unknown.size());
        const std::string name = arg.substr(0, arg.find('='));
        if (name != arg && (kFlagOptions.count(name) || name == "--help")) return name + " takes no value";
        return "unknown option \"" + arg + "\"";
    }
    if (error.rfind(needs, 0) == 0) {
        const std::string name = error.substr(needs.size(), error.find(' ', needs.size()) - needs.size());
        if (auto it = kValueOptions.find(name); it != kValueOptions.end()) return it->second;
    }
    return error;
}

using Values = zvl::cli::ParsedArgs;
using Error = std::optional<std::string>;

Error rateOption(const Values& a, const std::string& name, double& target) {
    const auto v = a.value(name);
    if (!v) return std::nullopt;
    const auto r = parseRate(*v);
    if (!r) return name + " wants a number from 0 to 1000000, not \"" + *v + "\"";
    target = *r;
    return std::nullopt;
}

Error chanceOption(const Values& a, const std::string& name, double& target) {
    const auto v = a.value(name);
    if (!v) return std::nullopt;
    const auto r = parseRate(*v);
    if (!r || *r > 1) return name + " wants a chance from 0 to 1, not \"" + *v + "\"";
    target = *r;
    return std::nullopt;
}

Error countOption(const Values& a, const std::string& name, int64_t& target, unsigned long long max) {
    const auto v = a.value(name);
    if (!v) return std::nullopt;
    const auto n = parseUnsigned(*v, max);
    if (!n) return name + " wants a number from 0 to " + std::to_string(max) + ", not \"" + *v + "\"";
    target = int64_t(*n);
    return std::nullopt;
}

// The instrument's identity: port, serial number, firmware, option bits, seed, names.
Error readIdentity(const Values& a, ProgramOptions& out) {
    if (auto v = a.value("--port")) {
        const auto n = zvl::parseComName(*v);
        if (!n) return "--port wants COM1 .. COM255, not \"" + *v + "\"";
        out.port = *n;
    }
    if (auto v = a.value("--serial")) {
        if (v->empty() || v->size() > 8) return "--serial wants 1 to 8 characters, not \"" + *v + "\"";
        for (char c : *v)
            if (c < 0x20 || c > 0x7E) return std::string("--serial wants printable ASCII characters");
        out.engine.serialNumber = *v;
    }
    if (auto v = a.value("--firmware");
        v && !parseFirmware(*v, out.engine.firmwareMajor, out.engine.firmwareMinor))
        return "--firmware wants a version X.YZ such as 1.51, not \"" + *v + "\"";
    if (auto v = a.value("--options")) {
        const auto n = parseUnsigned(*v, 255);
        if (!n) return "--options wants a number from 0 to 255 (or 0x00 to 0xFF), not \"" + *v + "\"";
        out.engine.options = uint8_t(*n);
    }
    if (auto v = a.value("--seed")) {
        const auto n = parseUnsigned(*v, 0xFFFFFFFFull);
        if (!n) return "--seed wants a number from 0 to 4294967295, not \"" + *v + "\"";
        out.engine.seed = uint32_t(*n);
    }
    if (auto v = a.value("--zmodem-name")) {
        if (v->empty()) return std::string("--zmodem-name needs a file name");
        out.zmodemName = *v;
    }
    if (auto v = a.value("--sent-log")) {
        if (v->empty()) return std::string("--sent-log needs a file name");
        out.sentLogPath = *v;
    }
    if (auto v = a.value("--dump-memory")) {
        if (v->empty()) return std::string("--dump-memory needs a file name");
        out.dumpMemoryPath = *v;
    }
    return std::nullopt;
}

// The live stream's rates and the memory with its faults.
Error readStreamAndMemory(const Values& a, ProgramOptions& out) {
    SimConfig& e = out.engine;
    for (const auto& [name, target] : std::initializer_list<std::pair<const char*, double*>>{
             {"--rate", &e.resultsPerSecond},
             {"--noise", &e.noiseBytesPerSecond},
             {"--unknown-signals", &e.unknownSignalsPerSecond},
             {"--invalid-signals", &e.invalidSignalsPerSecond},
             {"--malformed", &e.malformedPerSecond}})
        if (auto err = rateOption(a, name, *target)) return err;
    for (const auto& [name, target] :
         std::initializer_list<std::pair<const char*, double*>>{{"--bad-checksums", &e.badChecksumChance},
                                                                {"--repeat-blocks", &e.repeatBlockChance},
                                                                {"--block-garbage", &e.blockGarbageChance},
                                                                {"--block-pauses", &e.blockPauseChance}})
        if (auto err = chanceOption(a, name, *target)) return err;
    const auto capacity = uint64_t(kMemoryCapacity);
    if (auto err = countOption(a, "--memory", e.memoryRecords, capacity)) return err;
    if (auto err = countOption(a, "--wrap-at", e.memoryWrapAt, capacity)) return err;
    if (a.has("--wrap-at") && e.memoryWrapAt == 0)
        return std::string("--wrap-at wants a record number from 1");
    if (auto err = countOption(a, "--backward-times", e.memoryBackwardTimes, capacity)) return err;
    if (auto err = countOption(a, "--pause-ms", e.blockPauseMs, 3'600'000)) return err;
    if (auto v = a.value("--replay")) {
        if (v->empty()) return std::string("--replay needs a file name");
        if (auto err = readReplayFile(*v, e.replay)) return err;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> parseArguments(const std::vector<std::string>& args, ProgramOptions& out) {
    std::set<std::string> valueNames;
    for (const auto& [name, _] : kValueOptions) valueNames.insert(name);
    const Values a = zvl::cli::parseArgs(args, valueNames, kFlagOptions);
    if (!a.error.empty()) return usageError(a.error);
    if (!a.positionals.empty()) return "unknown option \"" + a.positionals.front() + "\"";
    out.help = a.has("--help");
    out.version = a.has("--version");
    out.paced = !a.has("--unpaced");
    out.verbose = a.has("--verbose");
    if (a.has("--silent")) out.engine.silent = true;
    if (a.has("--in-order")) out.engine.memoryInOrder = true;
    if (auto err = readIdentity(a, out)) return err;
    if (auto err = readStreamAndMemory(a, out)) return err;
    if (!out.help && !out.version && !a.has("--port")) return "--port COMn is required";
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
           "  --sent-log FILE        append a line for each live result sent: its number from 1,\n"
           "                         the time (milliseconds since 1970, UTC) and the inputs (hex)\n"
           "  --replay FILE.csv      send these live results instead of --rate's, at their times\n"
           "                         from each start of live collection, then none: a line\n"
           "                         SECONDS,WORD per result, SECONDS from the start (decimals\n"
           "                         allowed, never less than the line before), WORD the inputs\n"
           "                         as 0..65535 or 0x0000..0xFFFF (bit 0 is input 1); a first\n"
           "                         line that is not numbers (a header), blank lines and lines\n"
           "                         starting with # are passed over\n"
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
