#pragma once

// The Windows part of the portable-installation test, without Qt, so that the Windows test
// program builds it as the toolkit does.
#ifdef _WIN32
#include <string>

namespace QT_EXT {

// Whether a program in programFolder (native separators) is an installed copy: the folder lies
// in the program-files folder (compared without regard to case) and holds the uninstaller
// "unins000.exe". Everything else is a portable copy.
bool isInstalledUnderProgramFiles(const std::wstring &programFolder);

} // namespace QT_EXT
#endif
