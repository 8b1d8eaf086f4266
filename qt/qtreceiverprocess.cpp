#include "qt/qtreceiverprocess.h"

#include <QStandardPaths>

namespace zvl {

QtReceiverProcess::QtReceiverProcess(QString program) : program_(std::move(program)) {}

QtReceiverProcess::~QtReceiverProcess() {
    end();
}

void QtReceiverProcess::end() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->disconnect();
        process_->kill();
        process_->waitForFinished(1000);
    }
    process_.reset();
}

bool QtReceiverProcess::start(const std::string& folder) {
    end();  // one that was stopped and has not ended yet goes now, unheard
    error_.clear();
    const QString path = program_.contains('/') ? program_ : QStandardPaths::findExecutable(program_);
    if (path.isEmpty()) {
        error_ = "The ZMODEM receiver " + program_.toStdString() +
                 " was not found. Install it (on Debian: the package lrzsz).";
        return false;
    }
    process_ = std::make_unique<QProcess>();
    process_->setProgram(path);
    // -R restricted: no path outside the folder, -b binary, -q no progress on the terminal.
    // -t 130: 13 s for each of its five ZMODEM requests, 65 s in all, so it is still asking for
    // ZMODEM when the download's own handshake wait (about 60 s) ends a silent sender; with
    // its default 10 s it would go over to XMODEM/YMODEM requests after 50 s.
    process_->setArguments({QStringLiteral("-R"), QStringLiteral("-b"), QStringLiteral("-q"),
                            QStringLiteral("-t"), QStringLiteral("130")});
    process_->setWorkingDirectory(QString::fromStdString(folder));
    process_->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process_.get(), &QProcess::readyReadStandardOutput, [this] {
        const QByteArray data = process_->readAllStandardOutput();
        if (output_ && !data.isEmpty()) output_(std::vector<uint8_t>(data.begin(), data.end()));
    });
    QObject::connect(process_.get(), &QProcess::finished, [this](int code, QProcess::ExitStatus status) {
        if (finished_) finished_(status == QProcess::NormalExit && code == 0);
    });
    process_->start();
    if (!process_->waitForStarted(5000)) {
        error_ = "The ZMODEM receiver " + path.toStdString() +
                 " could not be started: " + process_->errorString().toStdString();
        process_.reset();
        return false;
    }
    return true;
}

bool QtReceiverProcess::isRunning() const {
    return process_ && process_->state() != QProcess::NotRunning;
}

void QtReceiverProcess::write(const std::vector<uint8_t>& bytes) {
    if (isRunning()) process_->write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

void QtReceiverProcess::stop() {
    if (isRunning()) process_->terminate();
}

}  // namespace zvl
