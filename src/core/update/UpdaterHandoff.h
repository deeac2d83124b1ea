#pragma once

#include "core/update/ProgramStarter.h"

#include <QString>
#include <QStringList>
#include <pugixml.hpp>

class LanguageTable;

// What the system hands to the two external updater programs: the parameter file of the
// Ethernet updater and the command line of the serial updater. The updaters read both
// byte for byte, so names, order and letter case here are fixed.
namespace UpdaterHandoff {

inline constexpr const char* EthernetUpdaterFile = "Ethernet_Update.exe";
inline constexpr const char* SerialUpdaterFile = "Ser_48213_Update.exe";

// Programs and files in the updaters' folder, with the platform's separators.
QString ethernetUpdaterProgram(const QString& dirProgram);
QString serialUpdaterProgram(const QString& dirProgram);
QString parameterFilePath(const QString& dirProgram);

// Every path handed to an updater goes through its form: the platform's separators by default,
// the drive form wine maps when the updater runs through wine (ProgramStarter::pathFor).
using PathForm = ProgramStarter::PathForm;

// The serial updater's command line: "\\.\" and the port name, a blank, the four option
// codes, then the quoted firmware file and the quoted "bin" folder (with its trailing
// separator: the updater finds both image files there).
QString serialCommandLine(const QString& portName, int option, bool readBack,
                          const QString& dirMaster, const QString& projectDir,
                          const PathForm& pathForm = {});

// The same pieces as the arguments the serial updater is started with: "\\.\" and the port,
// the four codes, the firmware file and the "bin" folder, each path exactly one argument
// whatever characters its folders' names hold (a command line would split at quotes).
QStringList serialArguments(const QString& portName, int option, bool readBack,
                            const QString& dirMaster, const QString& projectDir,
                            const PathForm& pathForm = {});

struct EthernetParameters {
    QString ipAddress; // exactly as typed, four parts joined with "."
    int option = 0;
    bool readBack = false;
    QString dirMaster;
    QString projectDir;
    PathForm pathForm = {}; // empty: the platform's separators
};

// Builds Ethernet_Update.xml from nothing: whatever `doc` held is discarded.
void buildParameterDocument(pugi::xml_document& doc, const EthernetParameters& parameters);

// Builds and writes `dirProgram`/Ethernet_Update.xml, replacing the file. Empty on success,
// else the system's message.
QString ethernetUpdaterXml(const EthernetParameters& parameters, const QString& dirProgram);

// Language-table texts of an updater that cannot be started (the update window's block).
inline constexpr int Msg_UpdaterMissing = 838;    // "... was not found: " and the program's name
inline constexpr int Msg_PlaceInFolder = 839;     // "... in the program folder: " and the folder
inline constexpr int Msg_UpdaterNotStarted = 840; // "... could not be started: " and its path
inline constexpr int Msg_WineNeeded = 841;        // Windows programs need wine here

// The message for a start that did not happen; empty when the updater was started.
QString startProblemText(const LanguageTable& texts, ProgramStarter::Outcome outcome,
                         const QString& program, bool lacksWine);

} // namespace UpdaterHandoff
