#pragma once

#include "common/Workspace.h"

#include <QString>
#include <QStringList>

class LanguageTable;

// What the command line asks of the program's start, and the workspace it starts on.
namespace StartUp {

inline constexpr int Msg_CannotCreate = 990; // "... cannot be created: " and the folder
inline constexpr int Msg_CannotWrite = 991;  // "... cannot be written: " and the folder
inline constexpr int Msg_NoStart = 992;      // the program does not start; how to choose
inline constexpr int Msg_Usage = 993;

struct Outcome {
    Workspace::Layout layout;
    // Not empty: the program must not start; the text says why.
    QString refusal;
    // The usage was asked for (--help); nothing else happens.
    bool helpOnly = false;
};

// `arguments` as QCoreApplication gives them (the program's name first). Reads
// `--workspace DIR` (or `--workspace=DIR`), chooses the workspace and creates its folder.
Outcome prepare(const QStringList& arguments, const Workspace::Request& defaults,
                const LanguageTable& texts);

// The message for a workspace that cannot be used.
QString refusalText(const Workspace::Choice& choice, const LanguageTable& texts);

} // namespace StartUp
