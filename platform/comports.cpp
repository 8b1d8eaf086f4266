#include "platform/comports.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace zvl {

std::string configDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/Pellam";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/Pellam";
}

std::string portsDirectory() {
    return configDirectory() + "/ports";
}

std::string comLinkPath(int n) {
    return portsDirectory() + "/COM" + std::to_string(n);
}

std::string comPortPath(int n) {
    const std::string link = comLinkPath(n);
    std::error_code ec;
    if (std::filesystem::is_symlink(link, ec) || std::filesystem::exists(link, ec)) return link;
    return "/dev/ttyS" + std::to_string(n - 1);
}

std::optional<int> parseComName(const std::string& name) {
    if (name.size() < 4 || name.size() > 6) return std::nullopt;
    if (std::toupper((unsigned char)name[0]) != 'C' || std::toupper((unsigned char)name[1]) != 'O' ||
        std::toupper((unsigned char)name[2]) != 'M')
        return std::nullopt;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit((unsigned char)name[i])) return std::nullopt;
        n = n * 10 + (name[i] - '0');
    }
    if (n < 1 || n > 255) return std::nullopt;
    return n;
}

std::string resolvePortName(const std::string& nameOrPath) {
    if (auto n = parseComName(nameOrPath)) return comPortPath(*n);
    // "dev/ttyUSB0" is /dev/ttyUSB0 with its slash lost: what systemd's %I gives for an
    // instance escaped with systemd-escape --path. Taken as it is, the serial port would put
    // /dev/ in front and open /dev/dev/ttyUSB0.
    if (nameOrPath.rfind("dev/", 0) == 0) return "/" + nameOrPath;
    return nameOrPath;
}

}  // namespace zvl
