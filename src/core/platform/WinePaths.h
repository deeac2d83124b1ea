#pragma once

#include <QString>

// How a Windows program run through wine sees the files of this system. Wine maps drive
// letters to folders through the links in <prefix>/dosdevices ("c:" to drive_c, "z:" to "/"),
// and a Windows program resolves a path like "/tmp/x" against its current drive, so every path
// handed to such a program must be given in the drive form wine maps.
namespace WinePaths {

// The prefix wine uses: $WINEPREFIX, else ~/.wine.
QString prefix();

// The Windows form of an absolute path of this system: the drive whose folder holds the path
// most closely, then the rest with backslashes ("Z:\tmp\Plant A\bin\"). A trailing separator
// stays. A prefix that wine has not set up yet maps "/" to Z:, as wine will; a path that no
// drive reaches gets wine's own form for that, "\\?\unix\...".
QString windowsPath(const QString& prefixDir, const QString& path);

} // namespace WinePaths
