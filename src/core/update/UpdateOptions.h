#pragma once

#include <QString>

// Option positions of the update window's list, in list order.
namespace UpdateOption {
inline constexpr int FirmwareAndConfiguration = 0;
inline constexpr int Firmware = 1;
inline constexpr int Configuration = 2;
} // namespace UpdateOption

// `s_opt` followed by the four codes the serial updater reads, each with its trailing blank:
// firmware write, firmware read-back, configuration write, configuration read-back ("NO" for a
// slot that is not done). An unknown option position appends nothing.
QString updaterOptions(const QString& s_opt, int option, bool readBack);
