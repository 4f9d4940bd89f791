#pragma once

#include <QString>

namespace AppInfo {

inline constexpr int VersionMajor = 6;
inline constexpr int VersionMinor = 0;
inline constexpr int VersionRevision = 11;

inline QString fileVersion()
{
    return QStringLiteral("%1.%2.0.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

// A screen caption followed by " v", major, minor and revision.
inline QString captionWithVersion(const QString &caption)
{
    return QStringLiteral("%1 v%2.%3.%4").arg(caption).arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

} // namespace AppInfo
