#include "core/templates/MeterTemplates.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "common/XmlChars.h"
#include "common/XmlFile.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"
#include "core/network/NetworkMessages.h"
#include "core/network/NetworkRules.h"
#include "core/network/NetworkXml.h"
#include "core/projects/ProjectStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace Templates {

namespace {

// An unused primary address for the reader's sake: the file never holds one.
Node withoutAddresses(Node node) {
    node.primary = 0;
    node.secondary = 0;
    return node;
}

QString shownName(const QString& path) {
    return FileName::shown(path);
}

// What adding the node and its variables by hand would refuse, as a reason; empty when none.
QString contentProblem(const Node& node, const LanguageTable& texts) {
    using namespace CodingTables;
    if (!XmlChars::storable(node.description))
        return texts.text(NetworkMessages::NodeDescriptionChars);
    if (node.variables.size() > NetworkRules::Max_Variables)
        return texts.text(NetworkMessages::MaxVariables);
    for (int i = 0; i < node.variables.size(); ++i) {
        const Variable& v = node.variables[i];
        // The editor's lists offer only their own positions.
        const struct {
            const char* attribute;
            qint64 value;
            int count;
        } positions[] = {
            {MBusXml::Type, v.dataType, TypeCount},
            {MBusXml::Fun_Field, v.function, FunctionFieldCount},
            {MBusXml::Dim, v.dimension, DimensionCount},
            {MBusXml::Unit, v.unit, UnitCount},
            {MBusXml::VIFE, v.vife, VifeCount},
            {MBusXml::Mod_TD, v.modbusType, ModbusToDCount},
            {MBusXml::Mod_Swap, v.modbusSwap, ModbusSwapCount},
        };
        for (const auto& p : positions) {
            if (p.value < 0 || p.value >= p.count)
                return texts.text(Text::OutOfList)
                    .arg(i + 1)
                    .arg(QLatin1String(p.attribute))
                    .arg(p.value);
        }
        if (!scaleFits(v.dataType, v.vife, v.scale))
            return texts.text(Text::OutOfList)
                .arg(i + 1)
                .arg(QLatin1String(MBusXml::Scale))
                .arg(v.scale);
        const QList<int> failures = NetworkRules::variableFailures(NetworkRules::numbersOf(v));
        if (!failures.isEmpty())
            return texts.text(Text::VariableRule).arg(i + 1).arg(texts.text(failures.first()));
    }
    return {};
}

QString notWritten(const QString& error, const LanguageTable& texts) {
    return texts.text(Text::NotWritten).arg(error);
}

bool exists(const QString& folder, const QString& name) {
    return QFileInfo::exists(pathOf(folder, name));
}

} // namespace

QString folderOf(const QString& workspace) {
    return QDir(workspace).filePath(QLatin1String(Folder));
}

QString pathOf(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name + QLatin1String(Extension));
}

QString nameRefusal(const QString& name, const LanguageTable& texts) {
    if (!ProjectStore::isProjectName(name) || name.startsWith(u'.'))
        return texts.text(Text::BadName);
    return ProjectStore::forbiddenCharacterMessage(name, texts.text(Text::ForbiddenCharacter));
}

QStringList names(const QString& folder) {
    QStringList result;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {QStringLiteral("*") + QLatin1String(Extension)}, QDir::Files | QDir::CaseSensitive);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName().chopped(int(qstrlen(Extension)));
        if (!name.isEmpty() && !name.startsWith(u'.'))
            result.append(name);
    }
    std::sort(result.begin(), result.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return result;
}

QByteArray templateBytes(const Node& node) {
    // The network writer's own bytes, so a variable comes out exactly as in M_Bus.xml; only the
    // two addresses go.
    pugi::xml_document doc;
    XmlFile::parse(doc, networkBytes({node}), QString());
    pugi::xml_node nodeElement = XmlFile::root(doc).first_child();
    nodeElement.remove_attribute(MBusXml::ID);
    nodeElement.remove_attribute(MBusXml::Sec_Add);
    // The reader leaves the version comment out of the tree; it goes back where it stood.
    if (!doc.find_child([](const pugi::xml_node& n) { return n.type() == pugi::node_comment; }))
        doc.append_child(pugi::node_comment).set_value(XmlFile::ConfigVersionComment);
    return XmlFile::serialize(doc);
}

Read readBytes(const QByteArray& bytes, const QString& fileName, const LanguageTable& texts) {
    Read result;
    const auto refuse = [&](const QString& why) {
        result.node = {};
        result.error = texts.text(Text::NotTemplate).arg(fileName, why);
        return result;
    };
    // The network file's own refusals first, in its reader's words.
    NetworkLoad load = parseNetwork(bytes, fileName);
    if (!load.ok())
        return refuse(load.error);
    if (load.nodes.size() != 1)
        return refuse(texts.text(Text::NodeCount).arg(load.nodes.size()));
    pugi::xml_document doc;
    XmlFile::parse(doc, bytes, fileName); // well-formed: the network reader took it
    pugi::xml_node nodeElement = XmlFile::root(doc).find_child(
        [](const pugi::xml_node& n) { return n.type() == pugi::node_element; });
    if (nodeElement.attribute(MBusXml::ID) || nodeElement.attribute(MBusXml::Sec_Add))
        return refuse(texts.text(Text::HasAddresses));
    if (const QString problem = contentProblem(load.nodes.first(), texts); !problem.isEmpty())
        return refuse(problem);
    result.node = withoutAddresses(load.nodes.first());
    return result;
}

Read readFile(const QString& path, const LanguageTable& texts) {
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::ConfigFile);
    if (!file.ok()) {
        Read result;
        result.error = texts.text(Text::NotTemplate).arg(shownName(path), file.reason);
        return result;
    }
    return readBytes(file.bytes, shownName(path), texts);
}

Read load(const QString& folder, const QString& name, const LanguageTable& texts) {
    if (!exists(folder, name)) {
        Read result;
        result.error = texts.text(Text::NoSuchTemplate).arg(name);
        return result;
    }
    return readFile(pathOf(folder, name), texts);
}

QString save(const QString& folder, const QString& name, const Node& node,
             const LanguageTable& texts) {
    if (const QString refused = nameRefusal(name, texts); !refused.isEmpty())
        return refused;
    const QByteArray bytes = templateBytes(withoutAddresses(node));
    // What cannot be applied is not worth keeping: the same checks as an import.
    if (const Read checked = readBytes(bytes, name, texts); !checked.ok())
        return checked.error;
    if (!QDir().mkpath(folder))
        return notWritten(QDir::toNativeSeparators(folder), texts);
    if (const QString error = writeFileAtomically(pathOf(folder, name), bytes); !error.isEmpty())
        return notWritten(error, texts);
    return {};
}

QString rename(const QString& folder, const QString& oldName, const QString& newName,
               const LanguageTable& texts) {
    if (const QString refused = nameRefusal(newName, texts); !refused.isEmpty())
        return refused;
    if (!exists(folder, oldName))
        return texts.text(Text::NoSuchTemplate).arg(oldName);
    if (newName == oldName)
        return {};
    // Only a change of letter case may land on the same file (a FAT stick ignores case).
    if (exists(folder, newName) && newName.compare(oldName, Qt::CaseInsensitive) != 0)
        return texts.text(Text::NameInUse).arg(newName);
    const BoundedFile::Result file =
        BoundedFile::read(pathOf(folder, oldName), BoundedFile::ConfigFile);
    if (!file.ok())
        return texts.text(Text::NotTemplate).arg(shownName(pathOf(folder, oldName)), file.reason);
    // The new file is complete before the old one goes; a crash leaves both, never neither.
    const QString oldPath = QFileInfo(pathOf(folder, oldName)).canonicalFilePath();
    if (const QString error = writeFileAtomically(pathOf(folder, newName), file.bytes);
        !error.isEmpty())
        return notWritten(error, texts);
    if (QFileInfo(pathOf(folder, newName)).canonicalFilePath() != oldPath)
        QFile::remove(pathOf(folder, oldName));
    return {};
}

QString remove(const QString& folder, const QString& name, const LanguageTable& texts) {
    if (!exists(folder, name))
        return texts.text(Text::NoSuchTemplate).arg(name);
    QFile file(pathOf(folder, name));
    if (!file.remove())
        return notWritten(shownName(file.fileName()) + QStringLiteral(": ") + file.errorString(),
                          texts);
    return {};
}

QString exportTo(const QString& folder, const QString& name, const QString& file,
                 const LanguageTable& texts, const QStringList& reserved) {
    const Read read = load(folder, name, texts);
    if (!read.ok())
        return read.error;
    if (const QString error = writeUserFile(file, templateBytes(read.node), reserved);
        !error.isEmpty())
        return notWritten(error, texts);
    return {};
}

QString importName(const QString& file) {
    const QString fileName = QFileInfo(file).fileName();
    return fileName.endsWith(QLatin1String(Extension), Qt::CaseInsensitive)
               ? fileName.chopped(int(qstrlen(Extension)))
               : fileName;
}

QString importFrom(const QString& folder, const QString& file, const QString& name,
                   const LanguageTable& texts) {
    if (const QString refused = nameRefusal(name, texts); !refused.isEmpty())
        return refused;
    const Read read = readFile(file, texts);
    if (!read.ok())
        return read.error;
    return save(folder, name, read.node, texts);
}

int nextFreePrimary(const Network& nodes) {
    for (int primary = 1; primary <= 250; ++primary) {
        if (NetworkRules::checkPrimaryAddress(nodes, primary, -1, -1) == 0)
            return primary;
    }
    return 0;
}

QStringList seed(const QString& folder, const QString& shippedFolder, const LanguageTable& texts) {
    QStringList problems;
    if (QFileInfo::exists(folder) || shippedFolder.isEmpty() || !QFileInfo(shippedFolder).isDir())
        return problems;
    if (!QDir().mkpath(folder))
        return {notWritten(QDir::toNativeSeparators(folder), texts)};
    for (const QString& name : names(shippedFolder)) {
        const Read read = readFile(pathOf(shippedFolder, name), texts);
        const QString error = read.ok() ? save(folder, name, read.node, texts) : read.error;
        if (!error.isEmpty())
            problems.append(error);
    }
    return problems;
}

} // namespace Templates
