#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

// The request tools of an independent M-Bus library (libmbus, from the npm package node-mbus),
// which scripts/mbus-tools.sh builds into the build tree: a master we did not write, run
// against our slaves, and a decoder to hold ours against.
namespace Libmbus {

// The folder of the tools: $ORDANO_LIBMBUS_TOOLS, else the one the build made.
QString toolsFolder();
QString toolPath(const QString& tool);
// Empty when the tool is there; otherwise why it is not (from the build's status file).
QString missingReason(const QString& tool);
// ORDANO_SKIP_LIBMBUS_TESTS=1 lets a machine without the tools skip the tests that need them;
// without it they fail.
bool skipAllowed();

struct Run {
    bool finished = false; // within the time given
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
Run run(const QString& tool, const QStringList& args, int timeoutMs = 30000);

struct Record {
    QString function;
    QString storage;
    QString tariff;
    QString device;
    QString unit;
    QString value;
};
struct Data {
    QString id;
    QString manufacturer;
    QString version;
    QString medium;
    QString access;
    QString status;
    QList<Record> records;
    QString error; // the XML could not be read
};
// The XML the request tools print: one <MBusData>, several for the multi-reply tools.
Data parseXml(const QByteArray& xml);

// A unit text of the library ("Energy (kWh)", "Volume (m m^3)", "Storage interval day(s)") as
// our unit and the power of ten: {"Wh", 3}; nullopt for a text this table does not know
// (reserved codes, names without a unit).
struct Unit {
    QString unit;
    int exponent = 0;
};
std::optional<Unit> parseUnit(const QString& text);

} // namespace Libmbus

// Fails the test, or skips it where that is allowed, when `tool` was not built.
#define REQUIRE_LIBMBUS_TOOL(tool)                                                                 \
    do {                                                                                           \
        const QString missing_ = Libmbus::missingReason(tool);                                     \
        if (!missing_.isEmpty()) {                                                                 \
            if (Libmbus::skipAllowed())                                                            \
                GTEST_SKIP() << "libmbus tools missing: " << missing_.toStdString();               \
            FAIL() << "libmbus tools missing (" << missing_.toStdString()                          \
                   << "); set ORDANO_SKIP_LIBMBUS_TESTS=1 to skip the tests that need them";       \
        }                                                                                          \
    } while (false)
