#pragma once

#include <QString>

// A text from a file in a message: hostile files may hold megabytes in one value, so only its
// start is quoted.
namespace Excerpt {

inline constexpr int Shown = 40;

// The text in double quotes; beyond `Shown` characters its start followed by "...".
QString quoted(const QString& text);

} // namespace Excerpt
