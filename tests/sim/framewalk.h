#pragma once
// Splits bytes from the instrument into what a PC would see: packets, single signals,
// malformed packets and stray bytes. Anything that fits none of them (a packet cut short,
// a wrong length for its code, a missing EOT) is reported as a problem.

#include <cstdint>
#include <string>
#include <vector>

namespace zvl::sim::testing {

struct StreamItem {
    enum Kind { Packet, UnknownSignal, InvalidSignal, Malformed, Stray } kind;
    uint8_t code = 0;           // Packet: its code
    std::vector<uint8_t> data;  // Packet: the bytes between code and EOT; Malformed/Stray: all its bytes
};

struct WalkResult {
    std::vector<StreamItem> items;
    std::vector<std::string> problems;
    size_t count(StreamItem::Kind kind) const {
        size_t n = 0;
        for (const auto& it : items) n += it.kind == kind;
        return n;
    }
    std::vector<std::vector<uint8_t>> packets(uint8_t code) const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& it : items)
            if (it.kind == StreamItem::Packet && it.code == code) out.push_back(it.data);
        return out;
    }
};

// The L each answer code must carry.
inline int expectedLength(uint8_t code) {
    switch (code) {
        case 0xC0:
            return 5;
        case 0xC1:
            return 6;
        case 0xC2:
            return 6;
        case 0xC3:
            return 10;
        case 0xD0:
            return 4;
        default:
            return -1;
    }
}

inline WalkResult walkStream(const std::vector<uint8_t>& s) {
    WalkResult r;
    size_t i = 0;
    auto problem = [&](const std::string& what) {
        r.problems.push_back(what + " at offset " + std::to_string(i));
    };
    while (i < s.size()) {
        const uint8_t b = s[i];
        if (b == 0x01) {
            if (i + 1 >= s.size()) {
                problem("packet cut after SOH");
                break;
            }
            const int length = s[i + 1];
            if (length > 13) {
                // A malformed packet: runs up to its EOT, with no packet start or signal inside.
                size_t j = i + 2;
                while (j < s.size() && s[j] != 0x04) {
                    if (s[j] == 0x01 || s[j] == 0x05 || s[j] == 0x06 || s[j] == 0x15)
                        problem("signal inside a malformed packet");
                    ++j;
                }
                if (j >= s.size()) {
                    problem("malformed packet without EOT");
                    break;
                }
                r.items.push_back(
                    {StreamItem::Malformed, 0, std::vector<uint8_t>(s.begin() + i, s.begin() + j + 1)});
                i = j + 1;
                continue;
            }
            if (length < 2) {
                problem("packet length below 2");
                ++i;
                continue;
            }
            if (i + 2 + size_t(length) > s.size()) {
                problem("packet cut short");
                break;
            }
            const uint8_t code = s[i + 2];
            if (s[i + 1 + size_t(length)] != 0x04) problem("packet without EOT in place");
            if (expectedLength(code) != length) problem("packet code/length mismatch");
            r.items.push_back({StreamItem::Packet, code,
                               std::vector<uint8_t>(s.begin() + i + 3, s.begin() + i + 1 + length)});
            i += size_t(length) + 2;
        } else if (b == 0x05) {
            r.items.push_back({StreamItem::UnknownSignal, 0, {b}});
            ++i;
        } else if (b == 0x15) {
            r.items.push_back({StreamItem::InvalidSignal, 0, {b}});
            ++i;
        } else {
            if (b == 0x06) problem("stray ACK");
            r.items.push_back({StreamItem::Stray, 0, {b}});
            ++i;
        }
    }
    return r;
}

}  // namespace zvl::sim::testing
