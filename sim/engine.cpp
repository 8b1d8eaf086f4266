#include "sim/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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
      clockSetValue_(config_.clockStart & 0x7FFFFFFFu) {
    buildMemory();
}

// ---------------------------------------------------------------------------------------
// Bytes from the PC

void InstrumentEngine::receive(const uint8_t* data, size_t size, int64_t nowMs) {
    nowMs = std::max(nowMs, lastTickMs_);
    advance(nowMs, true);
    emitPendingBlock(nowMs);
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
    // ACK, NAK and CAN only mean something during a memory upload; in Live mode they are
    // ignored like a real instrument that is not sending.
    if (mode_ != Mode::Live && byte == bytes::CAN) {
        ++uploadsCancelled_;
        endUpload();
        return;
    }
    switch (mode_) {
        case Mode::Live:
            break;
        case Mode::UploadAwaitingNak:
            if (byte == bytes::NAK) {
                currentBlock_ = 0;
                if (blockCount() == 0) {
                    mode_ = Mode::UploadAwaitingEotAck;  // an empty memory: EOT at once
                    if (!config_.silent) output_.push_back(bytes::EOT);
                } else {
                    mode_ = Mode::UploadSending;
                    sendBlock(true, nowMs);
                }
            }
            break;
        case Mode::UploadSending:
            if (pendingSendMs_ >= 0) {
                // Paused: the PC gave up waiting and asks again; the block goes now.
                if (byte == bytes::NAK) emitPendingBlock(std::max<int64_t>(nowMs, pendingSendMs_));
                break;
            }
            if (byte == bytes::NAK) {
                sendBlock(false, nowMs);
            } else if (byte == bytes::ACK) {
                if (repeatDue_) {
                    repeatDue_ = false;  // as if the ACK had not arrived: the same block again
                    sendBlock(false, nowMs);
                } else if (++currentBlock_ < blockCount()) {
                    sendBlock(true, nowMs);
                } else {
                    mode_ = Mode::UploadAwaitingEotAck;
                    if (!config_.silent) output_.push_back(bytes::EOT);
                }
            }
            break;
        case Mode::UploadAwaitingEotAck:
            if (byte == bytes::ACK) {
                ++uploadsCompleted_;
                endUpload();
            } else if (byte == bytes::NAK && !config_.silent) {
                output_.push_back(bytes::EOT);
            }
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
            // The word is sent as 00 00 O D: the option byte, then the debounce count.
            hardwareSettings_ = value;
            config_.options = uint8_t(value >> 8);
            config_.debounce = uint8_t(value);
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
            // The live stream stops; the blocks start with the PC's NAK.
            stopStream();
            endUpload();
            mode_ = Mode::UploadAwaitingNak;
            break;
        case command::DownloadImage:
            // The program around the engine sends the image by ZMODEM; the stream stops.
            stopStream();
            endUpload();
            ++imageRequests_;
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

double InstrumentEngine::uniform() {
    return double(rng_() >> 8) * (1.0 / 16777216.0);
}
double InstrumentEngine::faultUniform() {
    return double(faultRng_() >> 8) * (1.0 / 16777216.0);
}

double InstrumentEngine::faultRate(int kind) const {
    double r = 0;
    switch (kind) {
        case Noise:
            r = config_.noiseBytesPerSecond;
            break;
        case UnknownSignal:
            r = config_.unknownSignalsPerSecond;
            break;
        case InvalidSignal:
            r = config_.invalidSignalsPerSecond;
            break;
        case Malformed:
            r = config_.malformedPerSecond;
            break;
        default:
            break;
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
    replayStartMs_ = nowMs;
    replayNext_ = 0;
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
    emitLiveWord(nextInputStates());
}

void InstrumentEngine::emitLiveWord(uint16_t inputs) {
    inputs_ = inputs;
    emitPacket(answer::LiveResult, {uint8_t(inputs_ >> 8), uint8_t(inputs_ & 0xFF)});
    ++liveSent_;
    if (onLiveResult) onLiveResult(inputs_);
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
    if (!config_.replay.empty()) {
        advanceReplay(nowMs, emit && !config_.silent);
        return;
    }
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

void InstrumentEngine::advanceReplay(int64_t nowMs, bool emit) {
    const std::vector<ReplayStep>& steps = config_.replay;
    // Overdue lines are all sent, in order (none is dropped), a bounded number at a time.
    for (int64_t emitted = 0; replayNext_ < steps.size() && emitted < kMaxEventsPerAdvance; ++emitted) {
        if (replayStartMs_ + steps[replayNext_].ms > nowMs) break;
        if (emit) emitLiveWord(steps[replayNext_].inputs);
        ++replayNext_;
    }
}

void InstrumentEngine::tick(int64_t nowMs) {
    advance(nowMs, true);
    emitPendingBlock(lastTickMs_);
}
void InstrumentEngine::skip(int64_t nowMs) {
    advance(nowMs, false);
}

int64_t InstrumentEngine::msUntilNextEvent(int64_t nowMs) const {
    nowMs = std::max(nowMs, lastTickMs_);
    if (pendingSendMs_ >= 0) return std::max<int64_t>(0, pendingSendMs_ - nowMs);
    if (!collecting_ || config_.silent) return -1;
    if (!config_.replay.empty())
        return replayNext_ < config_.replay.size()
                   ? std::max<int64_t>(0, replayStartMs_ + config_.replay[replayNext_].ms - nowMs)
                   : -1;
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

namespace zvl::sim {

// ---------------------------------------------------------------------------------------
// The memory and its upload

void InstrumentEngine::buildMemory() {
    memory_.clear();
    writtenStart_ = 0;
    if (!config_.memoryImage.empty()) {
        memory_ = config_.memoryImage;
        if (int64_t(memory_.size()) > kMemoryCapacity) memory_.resize(size_t(kMemoryCapacity));
        return;
    }
    const int64_t n = std::clamp<int64_t>(config_.memoryRecords, 0, kMemoryCapacity);
    if (n == 0) return;

    // The memory has a random source of its own, so it is the same whatever the line does.
    std::mt19937 rng(config_.seed * 2654435761u + 0x5A17u);
    std::vector<uint32_t> times(static_cast<size_t>(n));
    std::vector<uint8_t> gaps(static_cast<size_t>(n));
    int64_t span = 0;
    for (auto& g : gaps) span += (g = uint8_t(1 + rng() % 5));
    int64_t t = int64_t(config_.clockStart & 0x7FFFFFFFu) - 60 - span;
    if (t < 1) t = 1;
    for (int64_t i = 0; i < n; ++i) {
        t += gaps[size_t(i)];
        times[size_t(i)] = uint32_t(std::min<int64_t>(t, 0x7FFFFFFF));
    }

    // Times running backwards, at least three records apart and never at the first two or
    // the last: every other one is early (before the record ahead of it), the rest late (a
    // little after the record behind it, more than the next gap, so the one after that is
    // earlier too).
    const int64_t wanted =
        std::clamp<int64_t>(config_.memoryBackwardTimes, 0, std::max<int64_t>(0, (n - 4) / 3));
    std::vector<int64_t> picked;
    for (int64_t tries = 0; int64_t(picked.size()) < wanted && tries < wanted * 50 + 1000; ++tries) {
        const int64_t p = 2 + int64_t(rng() % uint64_t(n - 3));  // 0-based 2 .. n-2
        bool clear = true;
        for (int64_t q : picked) clear = clear && std::llabs(q - p) >= 3;
        if (clear) picked.push_back(p);
    }
    for (size_t k = 0; k < picked.size(); ++k) {
        const size_t p = size_t(picked[k]);
        if (k % 2 == 0)
            times[p] = uint32_t(std::max<int64_t>(1, int64_t(times[p - 1]) - 1 - int64_t(rng() % 30)));
        else
            times[p] = times[p + 1] + 6 + rng() % 55;
    }

    std::vector<MemoryRecord> written(static_cast<size_t>(n));
    uint16_t inputs = uint16_t(rng());
    for (int64_t i = 0; i < n; ++i) {
        inputs ^= uint16_t(1u << (rng() % 16));  // one input changes from record to record
        const uint32_t ti = times[size_t(i)];
        written[size_t(i)] = {
            0x00,        kKindRecord,          uint8_t(ti >> 24), uint8_t(ti >> 16), uint8_t(ti >> 8),
            uint8_t(ti), uint8_t(inputs >> 8), uint8_t(inputs)};
    }

    const int64_t wrapAt = std::clamp<int64_t>(config_.memoryWrapAt, 0, n);
    if (wrapAt == 0) {
        memory_ = std::move(written);
        return;
    }
    written[size_t(n - 1)][1] = kKindNewest;
    if (config_.memoryInOrder) {
        written[0][1] = kKindInOrder;
        memory_ = std::move(written);
    } else {
        // Physical 1..wrapAt hold the newest records; the oldest follow them.
        memory_.reserve(size_t(n));
        memory_.insert(memory_.end(), written.end() - wrapAt, written.end());
        memory_.insert(memory_.end(), written.begin(), written.end() - wrapAt);
        writtenStart_ = wrapAt % n;
    }
    memory_[0][0] |= kFlagWrapped;
}

std::vector<MemoryRecord> InstrumentEngine::memoryInWrittenOrder() const {
    std::vector<MemoryRecord> out;
    out.reserve(memory_.size());
    out.insert(out.end(), memory_.begin() + writtenStart_, memory_.end());
    out.insert(out.end(), memory_.begin(), memory_.begin() + writtenStart_);
    return out;
}

void InstrumentEngine::sendBlock(bool firstTime, int64_t nowMs) {
    bool bad = false;
    int garbage = 0;
    bool pause = false;
    if (firstTime) {
        auto chance = [this](double p) { return std::isfinite(p) && p > 0 && faultUniform() < p; };
        bad = chance(config_.badChecksumChance);
        repeatDue_ = chance(config_.repeatBlockChance);
        if (chance(config_.blockGarbageChance)) garbage = 1 + int(faultRng_() % 16);
        pause = chance(config_.blockPauseChance) && config_.blockPauseMs > 0;
    }
    if (pause) {
        pendingSendMs_ = nowMs + config_.blockPauseMs;
        pendingBadChecksum_ = bad;
        pendingGarbage_ = garbage;
        return;
    }
    emitBlock(currentBlock_, bad, garbage);
}

void InstrumentEngine::emitPendingBlock(int64_t nowMs) {
    if (pendingSendMs_ < 0 || nowMs < pendingSendMs_) return;
    pendingSendMs_ = -1;
    if (mode_ == Mode::UploadSending) emitBlock(currentBlock_, pendingBadChecksum_, pendingGarbage_);
}

void InstrumentEngine::emitBlock(int64_t index, bool badChecksum, int garbageBytes) {
    if (config_.silent) return;
    ++blocksSent_;
    for (int g = 0; g < garbageBytes; ++g) {
        uint8_t b;
        do b = uint8_t(faultRng_() & 0xFF);
        while (b == bytes::SOH || b == bytes::EOT);
        output_.push_back(b);
    }
    const size_t start = output_.size();
    const uint8_t number = uint8_t((index + 1) & 0xFF);
    output_.push_back(bytes::SOH);
    output_.push_back(number);
    output_.push_back(uint8_t(0xFF - number));
    for (int s = 0; s < kRecordsPerBlock; ++s) {
        const size_t r = size_t(index) * kRecordsPerBlock + size_t(s);
        if (r < memory_.size())
            output_.insert(output_.end(), memory_[r].begin(), memory_[r].end());
        else
            output_.insert(output_.end(), 8, kPadByte);
    }
    unsigned sum = 0;
    for (size_t i = start; i < output_.size(); ++i) sum += output_[i];
    output_.push_back(uint8_t(sum + (badChecksum ? 1 : 0)));
}

void InstrumentEngine::endUpload() {
    mode_ = Mode::Live;
    currentBlock_ = 0;
    repeatDue_ = false;
    pendingSendMs_ = -1;
}

std::vector<uint8_t> InstrumentEngine::memoryImageBytes() const {
    std::vector<uint8_t> bytes;
    bytes.reserve(memory_.size() * 8);
    for (const MemoryRecord& r : memory_) bytes.insert(bytes.end(), r.begin(), r.end());
    return bytes;
}

}  // namespace zvl::sim
