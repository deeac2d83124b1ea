#pragma once

// The software's version: shown in the about box and the reports, compared with the one the
// maker's site announces, and written into every configuration file.
inline constexpr const char* SW_Version = "2.005";
