#include "core/update/UpdaterHandoff.h"

#include "common/XmlFile.h"
#include "core/lang/LanguageTable.h"
#include "core/update/UpdateOptions.h"

#include <QDir>
#include <QFileInfo>

namespace UpdaterHandoff {

namespace {

// Joins a folder and a relative name with "/" and gives the platform's separators, so
// Windows gets the backslashes the updaters were written for.
QString nativeJoin(const QString& folder, const char* relative) {
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + QLatin1String(relative));
}

// A path for the updater: joined, then in the form the updater reads.
QString handedPath(const PathForm& form, const QString& folder, const char* relative) {
    if (!form)
        return nativeJoin(folder, relative);
    return form(folder + QLatin1Char('/') + QLatin1String(relative));
}

// One row of the operation table; only these cells differ between the three kinds.
struct OperationKind {
    QString fileName;
    const char* startAddress;
    const char* bankType;
    const char* writeCss;
    const char* addressCss;
};

void addText(pugi::xml_node parent, const char* name, const QString& text) {
    // An empty text still gets its element: the updater expects every child in place.
    pugi::xml_node child = parent.append_child(name);
    if (!text.isEmpty())
        child.text().set(text.toUtf8().constData());
}

void addText(pugi::xml_node parent, const char* name, const char* text) {
    addText(parent, name, QString::fromLatin1(text));
}

void addOperation(pugi::xml_node operations, const OperationKind& kind, bool readBack,
                  bool goToAppAfter) {
    pugi::xml_node op = operations.append_child("Operation");
    addText(op, "Ope_Protection_Enabled", "");
    addText(op, "Ope_GoToBoot_Before", "0");
    addText(op, "Ope_GoToApp_Before", "0");
    addText(op, "Ope_IP_Address", "");
    addText(op, "Ope_Port", "2008");
    addText(op, "Ope_Port_Sec", "2007");
    addText(op, "Ope_Erase_Memory", "0");
    addText(op, "Ope_FileName", kind.fileName);
    addText(op, "Ope_Start_Address", kind.startAddress);
    addText(op, "Ope_Memory_Type", "0");
    addText(op, "Ope_Bank_Type", kind.bankType);
    addText(op, "Ope_Read_Back", readBack ? "1" : "0");
    addText(op, "Ope_Write_CSS", kind.writeCss);
    addText(op, "Ope_Address_CSS", kind.addressCss);
    addText(op, "Ope_Command_CSS", "0x0B");
    addText(op, "Ope_GoToApp_After", goToAppAfter ? "1" : "0");
}

} // namespace

QString ethernetUpdaterProgram(const QString& dirProgram) {
    return nativeJoin(dirProgram, EthernetUpdaterFile);
}

QString serialUpdaterProgram(const QString& dirProgram) {
    return nativeJoin(dirProgram, SerialUpdaterFile);
}

QString parameterFilePath(const QString& dirProgram) {
    return nativeJoin(dirProgram, "Ethernet_Update.xml");
}

namespace {

struct SerialPieces {
    QString device;
    QString codes; // each code followed by a blank
    QString firmware;
    QString binFolder;
};

SerialPieces serialPieces(const QString& portName, int option, bool readBack,
                          const QString& dirMaster, const QString& projectDir,
                          const PathForm& pathForm) {
    // "\\.\" stays as it is on every platform: the serial updater is a Windows program (run
    // through wine elsewhere) and opens the port by its device name. The firmware file differs
    // from the Ethernet one: lower-case, no "K".
    return {QStringLiteral("\\\\.\\") + portName, updaterOptions(QString(), option, readBack),
            handedPath(pathForm, dirMaster, "sim48213.sim"),
            handedPath(pathForm, projectDir, "bin/")};
}

} // namespace

QString serialCommandLine(const QString& portName, int option, bool readBack,
                          const QString& dirMaster, const QString& projectDir,
                          const PathForm& pathForm) {
    const SerialPieces p =
        serialPieces(portName, option, readBack, dirMaster, projectDir, pathForm);
    return p.device + QLatin1Char(' ') + p.codes + QLatin1Char('"') + p.firmware +
           QStringLiteral("\" \"") + p.binFolder + QLatin1Char('"');
}

QStringList serialArguments(const QString& portName, int option, bool readBack,
                            const QString& dirMaster, const QString& projectDir,
                            const PathForm& pathForm) {
    const SerialPieces p =
        serialPieces(portName, option, readBack, dirMaster, projectDir, pathForm);
    return QStringList{p.device} + p.codes.split(QLatin1Char(' '), Qt::SkipEmptyParts) +
           QStringList{p.firmware, p.binFolder};
}

void buildParameterDocument(pugi::xml_document& doc, const EthernetParameters& parameters) {
    doc.reset();
    pugi::xml_node root = doc.append_child("Ethernet_Update");
    addText(root, "Version", "1000");
    addText(root, "Title", "Nelvari - KT48213 Ethernet Update");
    addText(root, "IP_Address_Dev", parameters.ipAddress);
    addText(root, "Application_Port", "10000");
    addText(root, "Boot_Port", "2008");
    addText(root, "Boot_Port_Sec", "2007");
    addText(root, "Address_Protection", "0x78000");
    addText(root.append_child("Protections"), "Protection", "0x1C6");
    pugi::xml_node operations = root.append_child("Operations");

    const PathForm& form = parameters.pathForm;
    const OperationKind firmware{handedPath(form, parameters.dirMaster, "Sim48213K.sim"), "0x8000",
                                 "1", "1", "0x78100"};
    const OperationKind configurationFirst{handedPath(form, parameters.projectDir, "bin/bank2.bin"),
                                           "0x68000", "2", "0", "0x50100"};
    const OperationKind configurationSecond{handedPath(form, parameters.projectDir, "bin/bank.bin"),
                                            "0x80000", "2", "0", "0x50100"};
    const bool readBack = parameters.readBack;
    // Only the last operation of an option sends the device back to its application.
    switch (parameters.option) {
    case UpdateOption::FirmwareAndConfiguration:
        addOperation(operations, firmware, readBack, false);
        addOperation(operations, configurationFirst, readBack, false);
        addOperation(operations, configurationSecond, readBack, true);
        break;
    case UpdateOption::Firmware:
        addOperation(operations, firmware, readBack, true);
        break;
    case UpdateOption::Configuration:
        addOperation(operations, configurationFirst, readBack, false);
        addOperation(operations, configurationSecond, readBack, true);
        break;
    default:
        break;
    }
}

QString ethernetUpdaterXml(const EthernetParameters& parameters, const QString& dirProgram) {
    pugi::xml_document doc;
    buildParameterDocument(doc, parameters);
    return XmlFile::save(doc, parameterFilePath(dirProgram));
}

QString startProblemText(const LanguageTable& texts, ProgramStarter::Outcome outcome,
                         const QString& program, bool lacksWine) {
    QString text;
    const QFileInfo file(program);
    switch (outcome) {
    case ProgramStarter::Outcome::Ended:
    case ProgramStarter::Outcome::LeftRunning:
        return {};
    case ProgramStarter::Outcome::Missing:
        text = texts.text(Msg_UpdaterMissing) + file.fileName() + QLatin1Char('\n') +
               texts.text(Msg_PlaceInFolder) + QDir::toNativeSeparators(file.absolutePath());
        break;
    case ProgramStarter::Outcome::NotStarted:
        text = texts.text(Msg_UpdaterNotStarted) + QDir::toNativeSeparators(program);
        break;
    }
    if (lacksWine)
        text += QLatin1Char('\n') + texts.text(Msg_WineNeeded);
    return text;
}

} // namespace UpdaterHandoff
