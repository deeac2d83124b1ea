#pragma once

#include <QString>
#include <array>

// Splits an IPv4 address text into its four parts, read by the number rule.
// True when there are four dot-separated parts, each 0..255. The parts come back trimmed,
// as they stand in the text; the fourth keeps any further dots (and is then rejected).
bool splitIpAddress(const QString& text, std::array<QString, 4>& parts);
