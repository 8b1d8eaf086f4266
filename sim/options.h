#pragma once
// zvl-sim's command line.

#include <optional>
#include <string>
#include <vector>

#include "sim/engine.h"

namespace zvl::sim {

struct ProgramOptions {
    int port = 0;       // n of COMn
    bool paced = true;  // 19200 bit/s unless --unpaced
    bool verbose = false;
    bool help = false;
    bool version = false;                     // --version: print the version and stop
    std::string dumpMemoryPath;               // write the memory in written order (8-byte records) here
    std::string sentLogPath;                  // one line per live result sent: sequence, time, inputs
    std::string zmodemName = "ZVLIMAGE.BIN";  // the file name sent with the memory image
    SimConfig engine;                         // clockStart is set by the program at start-up
};

// Reads the arguments after the program name. Returns an error message (one line, no
// program name) or nullopt when the options are good; with --help or --version the rest may
// be missing.
std::optional<std::string> parseArguments(const std::vector<std::string>& args, ProgramOptions& out);

std::string usageText();

}  // namespace zvl::sim
