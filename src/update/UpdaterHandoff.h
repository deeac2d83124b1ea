#pragma once

#include <QString>
#include <pugixml.hpp>

// What the system hands to the two external updater programs: the parameter file of the
// Ethernet updater and the command line of the serial updater. The updaters read both
// byte for byte, so names, order and letter case here are fixed.
namespace UpdaterHandoff {

// Programs and files beside the configurator, with the platform's separators.
QString ethernetUpdaterProgram(const QString& dirProgram);
QString serialUpdaterProgram(const QString& dirProgram);
QString parameterFilePath(const QString& dirProgram);

// The serial updater's command line: "\\.\" and the port name, a blank, the four option
// codes, then the quoted firmware file and the quoted "bin" folder (with its trailing
// separator: the updater finds both image files there).
QString serialCommandLine(const QString& portName, int option, bool readBack,
                          const QString& dirMaster, const QString& projectDir);

struct EthernetParameters {
    QString ipAddress; // exactly as typed, four parts joined with "."
    int option = 0;
    bool readBack = false;
    QString dirMaster;
    QString projectDir;
};

// Builds Ethernet_Update.xml from nothing: whatever `doc` held is discarded.
void buildParameterDocument(pugi::xml_document& doc, const EthernetParameters& parameters);

// Builds and writes `dirProgram`/Ethernet_Update.xml, replacing the file. Empty on success,
// else the system's message.
QString Compile_XML_Parameter(const EthernetParameters& parameters, const QString& dirProgram);

} // namespace UpdaterHandoff
