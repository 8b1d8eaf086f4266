#pragma once
// COMn on Linux: $XDG_CONFIG_HOME/Pellam/ports/COMn when it exists (a symlink to the device,
// which zvl-sim makes to its pseudo-terminal), else /dev/ttyS(n-1).

#include <optional>
#include <string>

namespace zvl {

std::string configDirectory();   // $XDG_CONFIG_HOME/Pellam or ~/.config/Pellam
std::string portsDirectory();    // configDirectory()/ports
std::string comLinkPath(int n);  // portsDirectory()/COMn
std::string comPortPath(int n);  // the device COMn stands for
// "COM3" / "com3" gives 3; anything else nullopt.
std::optional<int> parseComName(const std::string& name);
// A COMn name or a device path, resolved to a device path; "dev/..." (a path whose leading
// slash was dropped, as systemd's %I gives it) is "/dev/...".
std::string resolvePortName(const std::string& nameOrPath);

}  // namespace zvl
