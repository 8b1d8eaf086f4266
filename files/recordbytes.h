#pragma once
// A result as 8 bytes in the instrument's record order, the order of the recording file, the
// binary file and the upload: flags, kind, the time stamp most significant byte first, then the
// input states high byte and low byte.

#include <cstdint>
#include <string>

#include "core/resultstore.h"

namespace zvl {

constexpr size_t kRecordBytes = 8;

inline void appendRecordBytes(std::string& out, const ResultRecord& r) {
    const char bytes[kRecordBytes] = {
        char(r.flags),        char(r.kind),         char(r.timeStamp[0]),     char(r.timeStamp[1]),
        char(r.timeStamp[2]), char(r.timeStamp[3]), char(r.inputStates >> 8), char(r.inputStates & 0xFF)};
    out.append(bytes, kRecordBytes);
}

inline ResultRecord recordFromBytes(const uint8_t* b) {
    ResultRecord r;
    r.flags = b[0];
    r.kind = b[1];
    r.timeStamp = {b[2], b[3], b[4], b[5]};
    r.inputStates = uint16_t(256 * b[6] + b[7]);
    return r;
}

}  // namespace zvl
