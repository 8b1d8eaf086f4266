#pragma once
// lrzsz's rz through QProcess: restricted mode (it writes nothing outside its working folder,
// whatever name the sender gives), binary, quiet; run with an argument list, never a shell.

#include <QProcess>
#include <memory>

#include "platform/receiverprocess.h"

namespace zvl {

class QtReceiverProcess final : public ReceiverProcess {
public:
    // `program` is looked up in PATH when it has no slash.
    explicit QtReceiverProcess(QString program = QStringLiteral("rz"));
    ~QtReceiverProcess() override;
    bool start(const std::string& folder) override;
    bool isRunning() const override;
    void write(const std::vector<uint8_t>& bytes) override;
    void stop() override;
    void setOutputHandler(std::function<void(const std::vector<uint8_t>&)> handler) override {
        output_ = std::move(handler);
    }
    void setFinishedHandler(std::function<void(bool)> handler) override { finished_ = std::move(handler); }
    std::string errorText() const override { return error_; }

private:
    void end();

    QString program_;
    std::unique_ptr<QProcess> process_;
    std::function<void(const std::vector<uint8_t>&)> output_;
    std::function<void(bool)> finished_;
    std::string error_;
};

}  // namespace zvl
