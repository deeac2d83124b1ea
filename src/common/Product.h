#pragma once

// The software's version: shown in the about box and the reports, and compared with the one
// the maker's site announces. (The comment in the configuration files names the file format's
// version, XmlFile::ConfigVersionComment, which does not follow this one.)
inline constexpr const char* SW_Version = "2.005";
