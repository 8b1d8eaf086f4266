#pragma once
// The ZMODEM receiver of the binary download as the behaviour sees it: a program started in a
// folder, fed the port's bytes on its input, whose output goes back to the port. Qt runs lrzsz's
// rz (QtReceiverProcess); tests use a stand-in.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zvl {

class ReceiverProcess {
public:
    virtual ~ReceiverProcess() = default;
    // Start the receiver with `folder` as its working folder, where it writes what it receives.
    // False, with the reason in errorText(), when it cannot be started.
    virtual bool start(const std::string& folder) = 0;
    virtual bool isRunning() const = 0;
    // Bytes from the port, for its input.
    virtual void write(const std::vector<uint8_t>& bytes) = 0;
    // Ask it to stop (it may still write its own abort sequence before it ends).
    virtual void stop() = 0;
    // Its output, for the port; and its end: success when it exited normally with status 0.
    virtual void setOutputHandler(std::function<void(const std::vector<uint8_t>&)> handler) = 0;
    virtual void setFinishedHandler(std::function<void(bool success)> handler) = 0;
    virtual std::string errorText() const = 0;
};

}  // namespace zvl
