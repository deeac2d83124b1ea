#pragma once

#include <QString>

struct SharedState;

// Ordano.xml beside the program.
namespace Settings {

inline constexpr const char* FileName = "Ordano.xml";

// Reads each value independently; a missing, unreadable or not well-formed file leaves
// the defaults. Sets Project_Name only (the caller decides whether its folder still exists).
void readSettings(SharedState& state, const QString& path);

// The file's exact bytes for the current state.
QByteArray settingsBytes(const SharedState& state);

// Replaces the file; empty text on success, else the system's message.
QString saveSettings(const SharedState& state, const QString& path);

} // namespace Settings
