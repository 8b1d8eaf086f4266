#pragma once
// The upload wired the way the main window wires it, on the fakes of tests/support: the
// in-process instrument (or bytes fed by hand), a fake clock, the uploadRetryTimer and a view
// that records the progress panel.

#include <cstdint>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/upload.h"
#include "tests/support/fakes.h"

namespace zvl::test {

using Bytes = std::vector<uint8_t>;

class ProgressView : public CountingView {
public:
    void showProgressPanel(bool visible, const std::string& heading) override {
        panelVisible = visible;
        if (visible) headings.push_back(heading);
        ++panelChanges;
    }
    void setBytesTransferred(int64_t bytes) override { counter.push_back(bytes); }
    bool panelVisible = false;
    int panelChanges = 0;
    std::vector<std::string> headings;
    std::vector<int64_t> counter;  // every value the byte counter showed
};

struct UploadRig {
    explicit UploadRig(sim::SimConfig config = {}, bool withEngine = true)
        : rig(std::move(config), withEngine),
          uploadRetryTimer(rig.clock, "uploadRetryTimer"),
          upload(rig.state, rig.link, rig.clock, rig.prompts, view, uploadRetryTimer) {
        uploadRetryTimer.setHandler([this] { upload.onUploadRetryTimer(); });
        rig.pump.addTimer(uploadRetryTimer);
        rig.state.instrumentOnline = true;  // as after the start-up handshake
    }

    // Serve events until the upload is over (or maxMs of fake time have passed).
    void runToEnd(int64_t maxMs = 3'600'000) {
        const int64_t until = rig.clock.ms + maxMs;
        while (upload.running() && rig.clock.ms < until) rig.run(100);
    }

    // Single control bytes the PC wrote (ACK, NAK, CAN), in order.
    Bytes controlBytes() const {
        Bytes out;
        for (const Bytes& w : rig.port.writes)
            if (w.size() == 1) out.push_back(w[0]);
        return out;
    }
    size_t countControl(uint8_t byte) const {
        size_t n = 0;
        for (uint8_t b : controlBytes()) n += b == byte;
        return n;
    }

    Rig rig;
    ProgressView view;
    FakeTimer uploadRetryTimer;
    StoredDataUpload upload;
};

// An 8-byte memory record in the instrument's order.
inline sim::MemoryRecord memRecord(uint32_t time, uint16_t inputs, uint8_t kind = sim::kKindRecord,
                                   uint8_t flags = 0) {
    return {flags,
            kind,
            uint8_t(time >> 24),
            uint8_t(time >> 16),
            uint8_t(time >> 8),
            uint8_t(time),
            uint8_t(inputs >> 8),
            uint8_t(inputs)};
}

// A 132-byte packet with up to 16 records (the rest padded with 0x1A); the checksum spoiled
// on request.
inline Bytes uploadPacket(uint8_t number, const std::vector<sim::MemoryRecord>& records,
                          bool badChecksum = false) {
    Bytes p{0x01, number, uint8_t(0xFF - number)};
    for (size_t s = 0; s < 16; ++s) {
        if (s < records.size())
            p.insert(p.end(), records[s].begin(), records[s].end());
        else
            p.insert(p.end(), 8, 0x1A);
    }
    unsigned sum = 0;
    for (uint8_t b : p) sum += b;
    p.push_back(uint8_t(sum + (badChecksum ? 1 : 0)));
    return p;
}

inline ResultRecord asResult(const sim::MemoryRecord& r) {
    return recordFromSlot(r.data());
}

}  // namespace zvl::test
