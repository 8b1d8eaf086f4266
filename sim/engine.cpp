#include "sim/engine.h"

#include <algorithm>
#include <cmath>

namespace zvl::sim {

namespace {

// The most stream events one advance() emits. With the catch-up window this bounds the
// output of a single tick even for absurd rates; what lies beyond is dropped.
constexpr int64_t kMaxEventsPerAdvance = 200000;

enum FaultKind { Noise = 0, UnknownSignal = 1, InvalidSignal = 2, Malformed = 3 };

bool isForbiddenStrayByte(uint8_t b) {
    // A stray byte must not look like the start of a packet or like one of the single-byte
    // signals, or it would be something other than noise to the PC.
    return b == bytes::SOH || b == bytes::ENQ || b == bytes::ACK || b == bytes::NAK;
}

}  // namespace

InstrumentEngine::InstrumentEngine(SimConfig config)
    : config_(std::move(config)),
      rng_(config_.seed),
      faultRng_(config_.seed ^ 0x9E3779B9u),
      hardwareSettings_(config_.options),
      clockSetValue_(config_.clockStart & 0x7FFFFFFFu) {}

// ---------------------------------------------------------------------------------------
// Bytes from the PC

void InstrumentEngine::receive(const uint8_t* data, size_t size, int64_t nowMs) {
    nowMs = std::max(nowMs, lastTickMs_);
    advance(nowMs, true);
    if (!data) return;
    for (size_t i = 0; i < size; ++i) receiveByte(data[i], nowMs);
}

void InstrumentEngine::receiveByte(uint8_t byte, int64_t nowMs) {
    // Bytes that are not part of a frame: an SOH opens one, the PC's single control bytes go
    // to controlByte(), anything else is line noise and skipped.
    if (rx_.empty()) {
        if (byte == bytes::SOH)
            rx_.push_back(byte);
        else if (byte == bytes::ACK || byte == bytes::NAK || byte == bytes::CAN)
            controlByte(byte, nowMs);
        return;
    }

    rx_.push_back(byte);
    const int length = rx_[1];
    bool bad = false;
    if (rx_.size() == 2) {
        bad = length < kMinPacketLength || length > kMaxPacketLength;
    } else if (rx_.size() == size_t(length) + 2) {
        if (rx_.back() == bytes::EOT) {
            const uint8_t code = rx_[2];
            const std::vector<uint8_t> value(rx_.begin() + 3, rx_.end() - 1);
            rx_.clear();
            handleCommand(code, value, nowMs);
            return;
        }
        bad = true;
    }
    if (!bad) return;

    // Not a frame after all: drop its SOH and look for the next one among the bytes taken
    // in since. At most one frame's worth is held, so this re-reads at most 14 bytes.
    const std::vector<uint8_t> rest(rx_.begin() + 1, rx_.end());
    rx_.clear();
    for (uint8_t b : rest) receiveByte(b, nowMs);
}

void InstrumentEngine::controlByte(uint8_t byte, int64_t nowMs) {
    // ACK, NAK and CAN only mean something during a memory upload, which the engine does not
    // simulate yet; in Live mode they are ignored like a real instrument that is not sending.
    (void)byte;
    (void)nowMs;
    switch (mode_) {
        case Mode::Live:
            break;
    }
}

void InstrumentEngine::handleCommand(uint8_t code, const std::vector<uint8_t>& valueBytes, int64_t nowMs) {
    uint32_t value = 0;
    for (uint8_t b : valueBytes) value = (value << 8) | b;  // low 32 bits of a longer value
    commands_.push_back({code, value});

    switch (code) {
        case command::StatusOptions:
            emitPacket(answer::Options, {0x00, config_.debounce, config_.options});
            break;
        case command::StatusFirmware:
            emitPacket(answer::Firmware, {0x00, 0x00, config_.firmwareMajor, config_.firmwareMinor});
            break;
        case command::StatusClock: {
            const uint32_t t = instrumentClock(nowMs);
            emitPacket(answer::Clock, {uint8_t(t >> 24), uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t)});
            break;
        }
        case command::StatusSerial: {
            std::vector<uint8_t> serial(8, ' ');
            for (size_t i = 0; i < serial.size() && i < config_.serialNumber.size(); ++i)
                serial[i] = uint8_t(config_.serialNumber[i]);
            emitPacket(answer::Serial, serial);
            break;
        }
        case command::WriteOptions:
            hardwareSettings_ = value;
            config_.options = uint8_t(value & 0xFF);
            break;
        case command::SetClock:
            clockSetMs_ = nowMs;
            clockSetValue_ = value & 0x7FFFFFFFu;
            break;
        case command::StartLive:
            if (!collecting_) startStream(nowMs);
            break;
        case command::Stop:
            stopStream();
            break;
        case command::UploadMemory:
        case command::SendImage:
            // The memory upload will switch mode_ here and wait for the PC's NAK (XMODEM) or
            // start its ZMODEM send. Not simulated yet: the command is logged and nothing else.
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------
// Bytes to the PC

void InstrumentEngine::emitPacket(uint8_t code, const std::vector<uint8_t>& data) {
    if (config_.silent) return;
    output_.push_back(bytes::SOH);
    output_.push_back(uint8_t(data.size() + 2));
    output_.push_back(code);
    output_.insert(output_.end(), data.begin(), data.end());
    output_.push_back(bytes::EOT);
}

std::vector<uint8_t> InstrumentEngine::takeOutput() {
    std::vector<uint8_t> out;
    out.swap(output_);
    return out;
}

uint32_t InstrumentEngine::instrumentClock(int64_t nowMs) const {
    const int64_t elapsedMs = std::max<int64_t>(0, nowMs - clockSetMs_);
    return uint32_t((uint64_t(clockSetValue_) + uint64_t(elapsedMs / 1000)) & 0x7FFFFFFFu);
}

// ---------------------------------------------------------------------------------------
// The live stream

double InstrumentEngine::uniform() { return double(rng_() >> 8) * (1.0 / 16777216.0); }
double InstrumentEngine::faultUniform() { return double(faultRng_() >> 8) * (1.0 / 16777216.0); }

double InstrumentEngine::faultRate(int kind) const {
    double r = 0;
    switch (kind) {
        case Noise: r = config_.noiseBytesPerSecond; break;
        case UnknownSignal: r = config_.unknownSignalsPerSecond; break;
        case InvalidSignal: r = config_.invalidSignalsPerSecond; break;
        case Malformed: r = config_.malformedPerSecond; break;
        default: break;
    }
    return std::isfinite(r) && r > 0 ? r : 0;
}

double InstrumentEngine::faultIntervalMs(double ratePerSecond) {
    // Faults come at random, as a Poisson process of the given rate.
    return -std::log(1.0 - faultUniform()) * 1000.0 / ratePerSecond;
}

static double resultPeriodMs(const SimConfig& c) {
    const double r = c.resultsPerSecond;
    return std::isfinite(r) && r > 0 ? 1000.0 / r : 0;
}

void InstrumentEngine::startStream(int64_t nowMs) {
    collecting_ = true;
    slotStartMs_ = double(nowMs);
    nextResultMs_ = -1;
    const double period = resultPeriodMs(config_);
    if (period > 0) nextResultMs_ = slotStartMs_ + uniform() * 0.5 * period;
    for (int k = 0; k < kFaultKinds; ++k) {
        const double rate = faultRate(k);
        nextFaultMs_[k] = rate > 0 ? double(nowMs) + faultIntervalMs(rate) : -1;
    }
}

void InstrumentEngine::stopStream() {
    collecting_ = false;
    nextResultMs_ = -1;
    for (double& t : nextFaultMs_) t = -1;
}

uint16_t InstrumentEngine::nextInputStates() {
    // Input 1 is a fast clock that changes with every result (so no two results are alike),
    // input 2 runs at half its rate, input 3 at an eighth; inputs 4 and 5 are random; input 8
    // is on all the time; inputs 9, 10, 11 and 16 change rarely.
    ++phase_;
    uint16_t w = inputs_ & 0xFF00;
    w |= uint16_t(phase_ & 1);
    w |= uint16_t(((phase_ >> 1) & 1) << 1);
    w |= uint16_t(((phase_ >> 3) & 1) << 2);
    if (uniform() < 0.5) w |= 1u << 3;
    if (uniform() < 0.5) w |= 1u << 4;
    w |= 1u << 7;
    if (uniform() < 1.0 / 40) w ^= 1u << 8;
    if (uniform() < 1.0 / 150) w ^= 1u << 9;
    if (uniform() < 1.0 / 600) w ^= 1u << 10;
    if (uniform() < 1.0 / 2000) w ^= 1u << 15;
    return w;
}

void InstrumentEngine::emitLiveResult() {
    inputs_ = nextInputStates();
    emitPacket(answer::LiveResult, {uint8_t(inputs_ >> 8), uint8_t(inputs_ & 0xFF)});
    ++liveSent_;
}

void InstrumentEngine::emitFault(int kind) {
    auto strayByte = [this](bool allowEot) {
        uint8_t b;
        do b = uint8_t(faultRng_() & 0xFF);
        while (isForbiddenStrayByte(b) || (!allowEot && b == bytes::EOT));
        return b;
    };
    switch (kind) {
        case Noise:
            output_.push_back(strayByte(true));
            break;
        case UnknownSignal:
            output_.push_back(bytes::ENQ);
            break;
        case InvalidSignal:
            output_.push_back(bytes::NAK);
            break;
        case Malformed: {
            // A live result whose length byte is too large. Its inner bytes are stray bytes
            // other than EOT, so it ends at its own EOT and holds no packet start or signal.
            const uint8_t length = uint8_t(kMaxPacketLength + 1 + faultRng_() % 0x30);
            output_.push_back(bytes::SOH);
            output_.push_back(length);
            output_.push_back(answer::LiveResult);
            output_.push_back(strayByte(false));
            output_.push_back(strayByte(false));
            output_.push_back(bytes::EOT);
            break;
        }
        default:
            break;
    }
}

void InstrumentEngine::advance(int64_t nowMs, bool emit) {
    nowMs = std::max(nowMs, lastTickMs_);
    lastTickMs_ = nowMs;
    if (!collecting_) return;
    const double now = double(nowMs);

    // Follow changes of the rates made through config() while streaming.
    const double period = resultPeriodMs(config_);
    if (period <= 0) {
        nextResultMs_ = -1;
    } else if (nextResultMs_ < 0) {
        slotStartMs_ = now;
        nextResultMs_ = now + uniform() * 0.5 * period;
    }
    for (int k = 0; k < kFaultKinds; ++k) {
        const double rate = faultRate(k);
        if (rate <= 0)
            nextFaultMs_[k] = -1;
        else if (nextFaultMs_[k] < 0)
            nextFaultMs_[k] = now + faultIntervalMs(rate);
    }

    // Drop what is overdue by more than the catch-up window (all of it when silent).
    auto skipTo = [&](double floor) {
        if (nextResultMs_ >= 0 && nextResultMs_ < floor) {
            // Whole slots are skipped so that the results keep their place on the grid.
            const double slots = std::ceil((floor - slotStartMs_) / period);
            slotStartMs_ += std::max(1.0, slots) * period;
            nextResultMs_ = slotStartMs_ + uniform() * 0.5 * period;
        }
        for (int k = 0; k < kFaultKinds; ++k)
            if (nextFaultMs_[k] >= 0 && nextFaultMs_[k] < floor)
                nextFaultMs_[k] = floor + faultIntervalMs(faultRate(k));
    };
    if (config_.silent || !emit) {
        skipTo(now + 1e-9);  // nothing due by now survives
        return;
    }
    skipTo(now - double(std::max<int64_t>(0, config_.maxCatchUpMs)));

    // Emit everything due by now in time order. Results and faults are whole units, so a
    // fault always stands between two packets.
    for (int64_t emitted = 0;; ++emitted) {
        int which = -1;  // -1 none, kFaultKinds the result, else a fault kind
        double due = 0;
        if (nextResultMs_ >= 0) {
            which = kFaultKinds;
            due = nextResultMs_;
        }
        for (int k = 0; k < kFaultKinds; ++k) {
            if (nextFaultMs_[k] >= 0 && (which < 0 || nextFaultMs_[k] < due)) {
                which = k;
                due = nextFaultMs_[k];
            }
        }
        if (which < 0 || due > now) break;
        if (emitted >= kMaxEventsPerAdvance) {
            skipTo(now + 1e-9);
            break;
        }
        if (which == kFaultKinds) {
            emitLiveResult();
            slotStartMs_ += period;
            nextResultMs_ = slotStartMs_ + uniform() * 0.5 * period;
        } else {
            emitFault(which);
            nextFaultMs_[which] += faultIntervalMs(faultRate(which));
        }
    }
}

void InstrumentEngine::tick(int64_t nowMs) { advance(nowMs, true); }
void InstrumentEngine::skip(int64_t nowMs) { advance(nowMs, false); }

int64_t InstrumentEngine::msUntilNextEvent(int64_t nowMs) const {
    if (!collecting_ || config_.silent) return -1;
    nowMs = std::max(nowMs, lastTickMs_);
    double next = -1;
    auto consider = [&](double t) {
        if (t >= 0 && (next < 0 || t < next)) next = t;
    };
    if (resultPeriodMs(config_) > 0) {
        if (nextResultMs_ < 0) return 0;  // the rate was just switched on; tick() schedules it
        consider(nextResultMs_);
    }
    for (int k = 0; k < kFaultKinds; ++k) {
        if (faultRate(k) > 0) {
            if (nextFaultMs_[k] < 0) return 0;
            consider(nextFaultMs_[k]);
        }
    }
    if (next < 0) return -1;
    return std::max<int64_t>(0, int64_t(std::ceil(next)) - nowMs);
}

}  // namespace zvl::sim
