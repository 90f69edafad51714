#pragma once
// The program's version information, shown by the splash window and the
// about box. The version text is built from the numbers so that the two
// windows can never disagree with them.

#include <QString>

namespace version {

inline constexpr int Major = 1;
inline constexpr int Minor = 0;
inline constexpr int Revision = 5;

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
