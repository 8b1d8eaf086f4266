#pragma once
// The program's version, shown by --version, the About box's program line and written into
// exported files. CMakeLists.txt reads the project version from here.

namespace zvl {

inline constexpr const char* kProgramName = "Pellam ZVL companion";
inline constexpr const char* kProgramVersion = "0.1";

}  // namespace zvl
