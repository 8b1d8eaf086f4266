#include "link/livedecoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "link/protocol.h"

namespace zvl {

static_assert(RxPacket::kMaxDataBytes == kMaxPacketLength - 1, "the packet holds the longest packet's data");

LiveDecoder::LiveDecoder(AppState& state, const Clock& clock, ViewHooks& view, Timer& breakTimer)
    : state_(state), clock_(clock), view_(view), breakTimer_(breakTimer) {}

void LiveDecoder::discard() {
    state_.rxBuffer.clear();
    state_.rxPacket = RxPacket{};
}

bool canStartPacket(uint8_t byte) {
    return byte == ctl::SOH || byte == ctl::ENQ || byte == ctl::ACK || byte == ctl::NAK;
}

void LiveDecoder::dropToNextStart(size_t from) {
    std::string& buf = state_.rxBuffer;
    size_t end = from;
    while (end < buf.size() && !canStartPacket(uint8_t(buf[end]))) ++end;
    discards_.bytes += int64_t(end);
    buf.erase(0, end);
}

// A run may start while an earlier one's caller waits in a modal box (the limit stop), so every
// step re-reads rxBuffer and resultCount instead of holding positions across calls out.
//
// A fault costs at most the packet it touches: bytes that cannot start a packet are dropped up to
// the next byte that can (a packet's SOH or a signal), and a malformed packet loses only its own
// start, never the whole packets gathered behind it in the same notification.
LiveDecoder::End LiveDecoder::decode() {
    std::string& buf = state_.rxBuffer;
    RxPacket& packet = state_.rxPacket;
    do {
        if (buf.empty()) return End::Waiting;
        const uint8_t first = uint8_t(buf[0]);
        if (first == ctl::SOH) {
            setLamp(kLampGreen, "Online");
            if (buf.size() >= 2) packet.length = uint8_t(buf[1]);
            const size_t length = packet.length;
            if (length > size_t(kMaxPacketLength)) {
                // Malformed as soon as the length byte is known: no packet is that long, so
                // waiting for L + 2 bytes would only swallow the good packets behind it. Its
                // start goes, and what follows up to the next packet or signal.
                breakTimer_.disable();
                state_.linkBreak = false;
                state_.instrumentOnline = true;
                packet = RxPacket{};
                ++discards_.packets;
                dropToNextStart(1);
                continue;
            }
            if (buf.size() < length + 2) return End::Waiting;  // wait for the rest
            breakTimer_.disable();
            state_.linkBreak = false;
            state_.instrumentOnline = true;
            if (length >= 1) packet.code = uint8_t(buf[2]);
            if (length >= 2) std::memcpy(packet.data.data(), buf.data() + 3, length - 1);
            buf.erase(0, length + 2);
            switch (actOnPacket()) {
                case Next::Go:
                    break;
                case Next::Malformed:
                    discards_.bytes += int64_t(length + 2);
                    ++discards_.packets;
                    break;
                case Next::StoreFull:
                    return End::StoreFull;
            }
            packet = RxPacket{};
        } else if (first == ctl::ENQ) {
            setLamp(kLampFuchsia, "Unknown Signal");
            buf.erase(0, 1);
        } else if (first == ctl::ACK) {
            buf.erase(0, 1);
        } else if (first == ctl::NAK) {
            setLamp(kLampBlue, "Invalid Signal");
            buf.erase(0, 1);
        } else {
            if (state_.operatingMode.isOnline()) breakTimer_.disable();
            dropToNextStart(1);
        }
    } while (buf.size() >= size_t(packet.length) + 2);
    return End::Waiting;
}

LiveDecoder::Next LiveDecoder::actOnPacket() {
    const RxPacket& p = state_.rxPacket;
    const auto& d = p.data;  // d[0] is packet offset 3
    switch (p.code) {
        case packet::Options:
            state_.debounceCode = d[1];
            for (int k = 0; k < 8; ++k) state_.hardwareOptions[size_t(k)] = (d[2] >> k) & 1;
            break;
        case packet::Firmware:
            state_.firmwareVersion = firmwareText(d[2], d[3]);
            break;
        case packet::Clock:
            if (d[0] >= 0x80) return Next::Malformed;  // the clock would overflow
            state_.instrumentClock =
                (int64_t(d[0]) << 24) | (int64_t(d[1]) << 16) | (int64_t(d[2]) << 8) | d[3];
            break;
        case packet::Serial:
            state_.serialNumber.assign(reinterpret_cast<const char*>(d.data()), 8);
            break;
        case packet::LiveResult:
            return storeLiveResult(uint16_t((d[0] << 8) | d[1]));
        default:
            break;
    }
    return Next::Go;
}

LiveDecoder::Next LiveDecoder::storeLiveResult(uint16_t inputStates) {
    // A recovered recording stays as it was recovered: a result outside a recording would
    // join it (and, on a save, pass for part of it).
    if (state_.store.recovered && !state_.collectionActive) return Next::Go;
    if (state_.resultCount() >= kMaxResults) {
        // The store is full. The first result beyond the limit ends the run, so the caller can
        // stop the instrument and tell the user; results still in flight after that have nowhere
        // to go. The count is not raised, so it never stands above the last slot that holds a
        // result.
        if (storeFullSeen_) return Next::Go;
        storeFullSeen_ = true;
        state_.rxPacket = RxPacket{};
        return Next::StoreFull;
    }
    const int64_t n = ++state_.store.resultCount;
    ResultRecord& r = state_.store.slot(n);
    r.setTime(uint32_t(std::clamp<int64_t>(pcTimeStamp(clock_), 0, 0xFFFFFFFFll)));
    r.inputStates = inputStates;
    ++stored_;
    view_.redrawTraceViewSoon();
    return Next::Go;
}

std::string discardedBytesText(const LiveDecoder::Discards& discards) {
    if (discards.bytes == 0) return "nothing thrown away";
    std::string text = std::to_string(discards.bytes) + " bytes of line noise thrown away";
    if (discards.packets > 0)
        text += ", among them " + std::to_string(discards.packets) + " malformed packets";
    return text;
}

std::string lineNoiseNote(const LiveDecoder::Discards& discards) {
    if (discards.bytes == 0) return {};
    return "Since the start: " + discardedBytesText(discards) + "; every whole packet was kept.";
}

std::string firmwareText(uint8_t major, uint8_t minorNibbles) {
    return std::to_string(major) + "." + std::to_string(minorNibbles >> 4) +
           std::to_string(minorNibbles & 0x0F);
}

}  // namespace zvl
