#pragma once
// The memory image by ZMODEM: lrzsz's sz run on two pipes, in a folder of its own, sending the
// image under the name the simulator was given (as given: a name with ../ is sent as it is).

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zvl::sim {

class ImageSender {
public:
    ImageSender() = default;
    ~ImageSender();  // stops sz if it still runs and removes its folder
    ImageSender(const ImageSender&) = delete;
    ImageSender& operator=(const ImageSender&) = delete;

    // False with the reason when sz cannot be run or the name cannot be used.
    bool start(const std::vector<uint8_t>& image, const std::string& name, std::string& error);
    int output() const { return fromSz_; }         // sz's output, for the line (non-blocking)
    void input(const uint8_t* data, size_t size);  // the line's bytes, for sz
    void stop();                                   // ask sz to end
    void kill();                                   // end sz at once (its output is not wanted)
    // The output has ended: sz is reaped. Its exit status (-1 when it did not exit normally).
    int finish();

private:
    pid_t pid_ = -1;
    int toSz_ = -1;
    int fromSz_ = -1;
    std::string root_;
};

}  // namespace zvl::sim
