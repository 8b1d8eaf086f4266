#pragma once
// The pseudo-terminal zvl-sim plays the instrument on. The program keeps the master; the
// slave side is what the PC software opens. The program holds a slave descriptor of its own
// for its whole life, so the line does not hang up between two clients.

#include <string>

namespace zvl::sim {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens master and slave, sets the slave raw at 19200 bit/s and the master non-blocking.
    // On failure returns false and sets error.
    bool open(std::string& error);
    void close();

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// Makes linkPath a symlink to target, creating its folders. An existing link that points
// nowhere (a pseudo-terminal that is gone) or at target already is replaced; anything else
// in the way is left alone and reported in error.
bool claimPortLink(const std::string& linkPath, const std::string& target, std::string& error);

// Removes linkPath if it is still a symlink to target.
void releasePortLink(const std::string& linkPath, const std::string& target);

}  // namespace zvl::sim
