#pragma once

#include <QString>

namespace Cli {

// A value taken from a file, made safe for a line of output: a tab, a line break or any other
// control character would forge columns or lines, so each is written as an escape (\t, \n, \r,
// \xHH, \u{HHHH}); a backslash doubles so that the escapes stay unambiguous.
QString printable(const QString& value);

} // namespace Cli
