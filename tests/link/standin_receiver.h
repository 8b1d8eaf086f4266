#pragma once
// A stand-in for the download's ZMODEM receiver: it keeps what the relay gives it, and the
// test (or fuzz target) plays its side: its output to the port, the files it writes in its
// folder, its end.

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/receiverprocess.h"

namespace zvl::test {

class StandInReceiver : public ReceiverProcess {
public:
    bool start(const std::string& folder) override {
        folder_ = folder;
        running = startable;
        return startable;
    }
    bool isRunning() const override { return running; }
    void write(const std::vector<uint8_t>& bytes) override {
        input.insert(input.end(), bytes.begin(), bytes.end());
    }
    void stop() override { ++stops; }
    void setOutputHandler(std::function<void(const std::vector<uint8_t>&)> h) override {
        output_ = std::move(h);
    }
    void setFinishedHandler(std::function<void(bool)> h) override { finished_ = std::move(h); }
    std::string errorText() const override { return "The ZMODEM receiver rz was not found (lrzsz)."; }

    // The receiver's side: its output, a file it writes, its end.
    void emit(const std::vector<uint8_t>& bytes) { output_(bytes); }
    void receive(const std::string& name, const std::string& bytes) {
        std::ofstream(std::filesystem::path(folder_) / name, std::ios::binary) << bytes;
    }
    void finish(bool success) {
        running = false;
        finished_(success);
    }

    bool startable = true;
    bool running = false;
    int stops = 0;
    std::vector<uint8_t> input;
    std::string folder_;

private:
    std::function<void(const std::vector<uint8_t>&)> output_;
    std::function<void(bool)> finished_;
};

}  // namespace zvl::test
