#include "tests/support/fakes.h"

#include <algorithm>

namespace zvl::test {

LocalDateTime FakeClock::now() const {
    // Wall clock = base + ms, by calendar arithmetic on whole seconds plus the milliseconds.
    const int64_t baseStamp = timeStampFromDateTime(
        LocalDateTime{base.year, base.month, base.day, base.hour, base.minute, base.second, 0});
    const int64_t totalMs = int64_t(base.millisecond) + ms;
    LocalDateTime dt = dateTimeFromTimeStamp(baseStamp + totalMs / 1000 + utcOffsetSeconds() - utcOffset);
    dt.millisecond = int(totalMs % 1000);
    return dt;
}

int FakeClock::utcOffsetSeconds() const {
    int offset = utcOffset;
    for (const auto& [at, after] : zoneChanges)
        if (ms >= at) offset = after;
    return offset;
}

bool FakeTimer::fireIfDue() {
    if (!active_ || clock_.ms < due_) return false;
    due_ = clock_.ms + interval_;
    ++fired;
    if (handler_) handler_();
    return true;
}

bool FakePort::open(const std::string& devicePath) {
    openedPath = devicePath;
    if (failOpen) {
        error_ = "No such file or directory";
        return false;
    }
    open_ = true;
    return true;
}

int64_t FakePort::bytesAvailable() const {
    int64_t n = 0;
    for (const auto& [at, byte] : line_) {
        (void)byte;
        if (at > clock_.ms) break;
        ++n;
    }
    return n;
}

bool FakePort::readByte(uint8_t& byte) {
    if (line_.empty() || line_.front().first > clock_.ms) return false;
    byte = line_.front().second;
    line_.pop_front();
    return true;
}

void FakePort::write(const std::vector<uint8_t>& bytes) {
    if (!open_) return;
    written.insert(written.end(), bytes.begin(), bytes.end());
    writes.push_back(bytes);
    if (engine_ && !(lostOnTheWay && lostOnTheWay(bytes))) {
        engine_->receive(bytes, clock_.ms);
        pullFromEngine();
    }
}

PortProbe FakePort::probe(const std::string& devicePath) {
    auto it = probes.find(devicePath);
    return it == probes.end() ? PortProbe::Absent : it->second;
}

void FakePort::inject(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) {
        line_.emplace_back(clock_.ms, b);
        arrived.emplace_back(clock_.ms, b);
    }
}

void FakePort::pullFromEngine() {
    if (!engine_ || !open_) {
        if (engine_) engine_->takeOutput();  // nobody listens on a closed port
        return;
    }
    for (uint8_t b : engine_->takeOutput()) {
        // 10 bits a byte at 19200 bit/s: 1920 bytes a second.
        lineFreeMs_ = std::max(lineFreeMs_, clock_.ms);
        int64_t at = clock_.ms;
        if (paced) {
            lineFreeMs_ += 1;  // about half a millisecond a byte, rounded up to whole ms
            at = lineFreeMs_;
        }
        line_.emplace_back(at, b);
        arrived.emplace_back(at, b);
    }
}

void FakePort::deliver() {
    // Like the real port: the notification is not raised again while its handler runs.
    if (inHandler_ || !handler_ || !open_) return;
    while (bytesAvailable() > 0) {
        inHandler_ = true;
        handler_(bytesAvailable());
        inHandler_ = false;
    }
}

void FakePort::loseDevice(const std::string& reason) {
    if (!open_) return;
    deliver();
    open_ = false;
    error_ = reason;
    line_.clear();
    if (engine_) engine_->takeOutput();
    if (lostHandler_) lostHandler_(reason);
}

void FakePump::processEventsUntil(int64_t deadlineMs) {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    do {
        if (engine_) {
            engine_->tick(clock_.ms);
            port_.pullFromEngine();
        }
        port_.deliver();
        for (FakeTimer* t : timers_) t->fireIfDue();
        if (onIdle) onIdle();
        if (clock_.ms >= deadlineMs) break;
        // Without the engine (which runs every millisecond) or an idle hook, nothing happens
        // until a timer is due or a byte arrives: the clock goes straight there.
        int64_t next = clock_.ms + 1;
        if (!engine_ && !onIdle && port_.bytesAvailable() == 0) {
            next = deadlineMs;
            for (const FakeTimer* t : timers_)
                if (t->isActive()) next = std::min(next, t->due());
            if (const auto at = port_.nextArrival()) next = std::min(next, *at);
            next = std::max(next, clock_.ms + 1);
        }
        clock_.ms = next;
    } while (true);
    --depth;
}

void FakePump::sleepUntil(int64_t deadlineMs) {
    if (clock_.ms < deadlineMs) clock_.ms = deadlineMs;
    if (engine_) {
        engine_->tick(clock_.ms);
        port_.pullFromEngine();
    }
}

void ScriptedPrompts::warning(const std::string& text) {
    warnings.push_back(text);
    if (onWarning) onWarning();
}

bool ScriptedPrompts::confirm(const std::string& text, IfEscaped) {
    confirmations.push_back(text);
    if (onConfirm) onConfirm();
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

std::string ScriptedPrompts::inputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& def) {
    inputCalls.emplace_back(caption, prompt);
    if (onInput) onInput();
    if (inputAnswers.empty()) return def;
    std::string a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
}

ChoiceAnswer ScriptedPrompts::choiceBox(const std::string& message, std::optional<int64_t> result) {
    choiceCalls.push_back(result);
    choiceMessages.push_back(message);
    if (onChoice) onChoice();
    if (choiceAnswers.empty()) return ChoiceAnswer::IgnoreThis;
    const ChoiceAnswer a = choiceAnswers.front();
    choiceAnswers.pop_front();
    return a;
}

Rig::Rig(sim::SimConfig config, bool withEngine)
    : engine(withEngine ? std::make_unique<sim::InstrumentEngine>([&] {
          // The instrument's clock starts where the PC's is at engine time 0.
          config.clockStart = uint32_t(timeStampFromDateTime(clock.base));
          return config;
      }())
                        : nullptr),
      port(clock, engine.get()),
      pump(clock, port, engine.get()),
      statusTimer(clock, "status"),
      breakTimer(clock, "breakTimer"),
      updateTimer(clock, "update"),
      link(state, port, clock, pump, prompts, view, breakTimer, updateTimer) {
    statusTimer.setInterval(5000);
    breakTimer.setInterval(500);
    statusTimer.setHandler([this] { link.statusPoll(); });
    breakTimer.setHandler([this] { link.breakTimerFired(); });
    link.setStatusTimer(statusTimer);
    pump.addTimer(statusTimer);
    pump.addTimer(breakTimer);
    pump.addTimer(updateTimer);
    view.lampSource = &state;
    port.open("/dev/fake0");
}

}  // namespace zvl::test
