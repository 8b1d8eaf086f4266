#pragma once
// The VCD export (Value Change Dump, IEEE 1364), for waveform viewers such as GTKWave and
// PulseView: one 1-bit wire per active input, named by its label, and one time point per
// second in which a result stands, in seconds from result 1.

#include <array>
#include <string>

#include "core/resultsource.h"
#include "core/state.h"

namespace zvl {

// The wire names of the inputs: the label with every byte outside [A-Za-z0-9_] made "_"
// ("input_N" for an empty label), a name already taken getting "_2", "_3", ...
// Inactive inputs get an empty name.
std::array<std::string, kInputCount> vcdWireNames(const AppState& state);

// The whole VCD text. $date is result 1's time, $version names `program`; #0 is result 1 and
// each later second that holds results gives the state of its last result; a last time point
// one second after the last result closes the dump. A $comment says
// how many results were hidden by a later result of the same second. Where the time steps back
// the dump goes on one second after the result before the step, and a $comment names the step
// (result number, both times, its time point): every result keeps its place. No results:
// header only.
std::string vcdText(const AppState& state, const std::string& program);
// The same for the results of `source`, with the labels and active flags of `description`.
std::string vcdText(const ResultSource& source, const AppState& description, const std::string& program);

}  // namespace zvl
