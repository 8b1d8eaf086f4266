#pragma once
// A pseudo-terminal for the serial-port tests: the test holds the master end, the port under
// test opens the slave by path.

#include <cstdint>
#include <string>
#include <vector>

namespace zvl::test {

class Pty {
public:
    Pty();  // check ok() before use
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    int slaveFd() const { return slave_; }

    // Write all bytes on the master, serving the Qt event loop while the pty buffer is full.
    bool writeMaster(const std::vector<uint8_t>& bytes);
    // Read from the master until n bytes are in or timeoutMs passed; does not serve Qt events.
    std::vector<uint8_t> readMaster(size_t n, int timeoutMs);
    // The far end goes away, as when a USB adapter is pulled: the line hangs up.
    void closeMaster();

private:
    int master_ = -1;
    int slave_ = -1;  // kept open so the line settings can be inspected
    std::string slavePath_;
};

// 0, 1, 2, ... wrapping at 256, starting at first.
std::vector<uint8_t> sequence(size_t n, size_t first = 0);

}  // namespace zvl::test
