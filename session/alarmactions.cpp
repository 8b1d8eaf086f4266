#include "session/alarmactions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace zvl {

namespace {

std::string dateTimeText(const LocalDateTime& d, char between) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d%c%02d:%02d:%02d", d.year % 10000, d.month % 100,
                  d.day % 100, between, d.hour % 100, d.minute % 100, d.second % 100);
    return buf;
}

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

bool writeWhole(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

std::string alarmLine(const AlarmEvent& e, const LocalDateTime& when) {
    return "ALARM " + e.name + " " + dateTimeText(when, ' ') + " " + (e.file.empty() ? "-" : e.file) +
           " result " + std::to_string(e.result);
}

std::string isoTimeText(const LocalDateTime& when, int utcOffsetSeconds) {
    const std::string zone = formatUtcOffset(utcOffsetSeconds);  // "UTC+01:00"
    return dateTimeText(when, 'T') + zone.substr(3);
}

std::string inputsText(uint16_t inputs) {
    std::string out;
    for (int i = 0; i < kInputCount; ++i) out += (inputs >> i & 1) ? '1' : '0';
    return out;
}

std::string AlarmFile::append(const AlarmEvent& e, const std::string& isoTime) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) == 0 && st.st_size == 0) bytes = kHeader;
    bytes += isoTime + "," + e.name + "," + csvField(e.file) + "," + std::to_string(e.result) + "," +
             (e.result > 0 ? inputsText(e.inputs) : std::string()) + "\n";
    std::string error;
    if (!writeWhole(fd, bytes) || ::fsync(fd) != 0) error = std::strerror(errno);
    if (::close(fd) != 0 && error.empty()) error = std::strerror(errno);
    return error;
}

AlarmCommands::Start AlarmCommands::start(const AlarmEvent& e, const std::string& isoTime,
                                          std::string& error) {
    if (running_.count(e.name)) return Start::StillRunning;
    // Everything the child needs is made before the fork: after it only calls that are safe
    // in a child of a threaded program.
    const std::vector<std::pair<std::string, std::string>> ours = {
        {"ZVL_ALARM", e.name},
        {"ZVL_TIME", isoTime},
        {"ZVL_FILE", e.file},
        {"ZVL_RESULT", std::to_string(e.result)},
        {"ZVL_INPUTS", e.result > 0 ? inputsText(e.inputs) : std::string()}};
    std::vector<std::string> env;
    for (char** p = environ; p && *p; ++p)
        if (std::strncmp(*p, "ZVL_", 4) != 0) env.emplace_back(*p);
    for (const auto& [name, value] : ours) env.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string sh = "/bin/sh", dashC = "-c", command = command_;
    char* argv[] = {sh.data(), dashC.data(), command.data(), nullptr};
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::strerror(errno);
        if (devNull >= 0) ::close(devNull);
        return Start::Failed;
    }
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (devNull >= 0) ::dup2(devNull, 0);
        ::dup2(2, 1);
        // The port, the folder's lock and the rest are the logger's alone.
        const long most = ::sysconf(_SC_OPEN_MAX);
        for (int fd = 3; fd < (most > 0 && most < 65536 ? most : 65536); ++fd) ::close(fd);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    if (devNull >= 0) ::close(devNull);
    running_[e.name] = pid;
    return Start::Started;
}

std::vector<std::pair<std::string, std::string>> AlarmCommands::reap() {
    std::vector<std::pair<std::string, std::string>> ended;
    for (auto it = running_.begin(); it != running_.end();) {
        int status = 0;
        const pid_t r = ::waitpid(it->second, &status, WNOHANG);
        if (r == 0 || (r < 0 && errno == EINTR)) {
            ++it;
            continue;
        }
        std::string how = "is gone";
        if (r > 0 && WIFEXITED(status)) how = "ended with exit status " + std::to_string(WEXITSTATUS(status));
        if (r > 0 && WIFSIGNALED(status)) how = "was ended by signal " + std::to_string(WTERMSIG(status));
        ended.emplace_back(it->first, how);
        it = running_.erase(it);
    }
    return ended;
}

}  // namespace zvl
