#pragma once
// The program's version information, shown by the splash window and the
// about box. The numbers come from the project's version in the top
// CMakeLists.txt, the one place that also names the Debian package; the
// version text is built from them so that the windows can never disagree.

#include <QString>

namespace version {

inline constexpr int Major = VTX_VERSION_MAJOR;
inline constexpr int Minor = VTX_VERSION_MINOR;
inline constexpr int Revision = VTX_VERSION_PATCH;

// The company-name and comments fields of the version information.
inline const QString CompanyName = QStringLiteral("KORVANE");
inline const QString Comments;

// The product code that follows the application title in the about box.
inline const QString ProductCode = QStringLiteral("PLM-VX001E");

// "Version 1.0.5": each number in plain decimal, no leading zeros.
inline QString versionText()
{
    return QStringLiteral("Version %1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

} // namespace version
