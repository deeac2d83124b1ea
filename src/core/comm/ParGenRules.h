#pragma once

#include "core/comm/GeneralParameters.h"

#include <QList>

// The settings window's checks on confirmation (checkValues), kept free of any window so
// the `check` command applies exactly the same rules. Typed values are read by the number
// rule ("$FFFF" and "0x10" count); a text that is not a number is out of range.
struct ParGenFailure {
    const char* element; // the field, named as in ParGen.xml
    QString text;        // its text as typed
    int textIndex;       // the language table's message
};

inline constexpr int Msg_Unstorable = 932;

// Every failing check in the window's order, then every typed field holding a character that
// ParGen.xml cannot hold (whatever the device); the window reports only the first.
QList<ParGenFailure> settingsFailures(const GeneralParameters& record);

// The message of `failure` from its language-table text: the character failure names the
// field, the character and its position.
QString failureMessage(const ParGenFailure& failure, const QString& text);

// A stored list position the window cannot show (its list selects nothing).
struct ParGenListProblem {
    const char* element;
    int position;
    int listSize;
};

QList<ParGenListProblem> listPositionProblems(const GeneralParameters& record);

// The window's serial list shows "RS232" at position 0 and "RS485" at 1, while Mod_Ser holds
// 1 for RS232 and 0 for RS485.
int modSerPosition(int Mod_Ser);
int modSerFromPosition(int position);
