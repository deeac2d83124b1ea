#pragma once

// The help window's texts in the language table.
namespace HelpTexts {

inline constexpr int Title = 255;
inline constexpr int Back = 256;
inline constexpr int Forward = 257;
inline constexpr int Contents = 258;
inline constexpr int HelpButton = 259;
inline constexpr int NotInstalled = 260;
inline constexpr int Page = 261;

} // namespace HelpTexts
