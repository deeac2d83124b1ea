#include "core/history/UpdateHistory.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "common/XmlFile.h"
#include "core/comm/ParGenXml.h"
#include "core/history/HistoryTexts.h"
#include "core/image/BankFiles.h"
#include "core/image/BankLayout.h"
#include "core/image/Compiler.h"
#include "core/lang/LangTable.h"
#include "core/network/NetworkWarnings.h"
#include "core/network/NetworkXml.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace UpdateHistory {

namespace {

using namespace HistoryTexts;

constexpr BoundedFile::Limit ImageFile{1024 * 1024, "a device image"};
const char* const BankName = "bank.bin";
const char* const Bank2Name = "bank2.bin";

// Folder names sort as the entries were made: UTC, then a counter for the same second.
const QString NameFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

bool isEntryName(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d(_\\d\\d)?$"));
    return pattern.match(name).hasMatch();
}

bool isLink(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() || info.isJunction();
}

QString outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Started:
        return QStringLiteral("started");
    case Outcome::Finished:
        return QStringLiteral("finished");
    case Outcome::LeftRunning:
        return QStringLiteral("running");
    case Outcome::Crashed:
        return QStringLiteral("crashed");
    }
    return {};
}

Outcome outcomeFrom(const QString& name) {
    if (name == QLatin1String("finished"))
        return Outcome::Finished;
    if (name == QLatin1String("running"))
        return Outcome::LeftRunning;
    if (name == QLatin1String("crashed"))
        return Outcome::Crashed;
    return Outcome::Started;
}

QString writeRecord(const Record& r) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Update");
    auto put = [&](const char* name, const QString& value) {
        root.append_child(name).text().set(value.toUtf8().constData());
    };
    put("Date", r.date.toString(Qt::ISODate));
    put("Form", QString::number(r.formType));
    put("Path", r.path);
    put("Option", QString::number(r.option));
    put("Read_Back", r.readBack ? QStringLiteral("1") : QStringLiteral("0"));
    put("Outcome", outcomeName(r.outcome));
    put("Exit_Code", QString::number(r.exitCode));
    put("Limit_Ms", QString::number(r.limitMs));
    const QString path = QDir(r.folder).filePath(QLatin1String(RecordName));
    const QString error = XmlFile::save(doc, path);
    return error.isEmpty() ? QString()
                           : QDir::toNativeSeparators(path) + QStringLiteral(": ") + error;
}

std::optional<Record> readRecord(const QString& folder) {
    const QString path = QDir(folder).filePath(QLatin1String(RecordName));
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::SettingsFile);
    if (!file.ok())
        return std::nullopt;
    pugi::xml_document doc;
    if (!XmlFile::parse(doc, file.bytes, QLatin1String(RecordName)).isEmpty())
        return std::nullopt;
    const pugi::xml_node root = XmlFile::root(doc);
    auto text = [&](const char* name) {
        return XmlFile::childText(root, name).value_or(QString());
    };
    Record r;
    r.folder = folder;
    r.date = QDateTime::fromString(text("Date"), Qt::ISODate);
    if (!r.date.isValid())
        return std::nullopt;
    r.formType = text("Form").toInt();
    r.path = text("Path");
    r.option = text("Option").toInt();
    r.readBack = text("Read_Back") == QLatin1String("1");
    r.outcome = outcomeFrom(text("Outcome"));
    r.exitCode = text("Exit_Code").toInt();
    r.limitMs = text("Limit_Ms").toLongLong();
    return r;
}

// Entry folders, oldest first.
QStringList entryNames(const QDir& history) {
    QStringList names;
    for (const QFileInfo& info :
         history.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name))
        if (isEntryName(info.fileName()))
            names << info.fileName();
    return names;
}

} // namespace

Created create(const QString& projectDir, const Record& details, const QDateTime& nowUtc,
               int keep) {
    Created created;
    const QDir project(projectDir);
    const QString historyPath = project.filePath(QLatin1String(FolderName));
    const QString shownHistory = QDir::toNativeSeparators(historyPath);
    if (isLink(historyPath) ||
        (QFileInfo::exists(historyPath) && !QFileInfo(historyPath).isDir())) {
        created.error = shownHistory + QStringLiteral(": not a folder of this configuration");
        return created;
    }
    if (!project.mkpath(QLatin1String(FolderName))) {
        created.error = shownHistory + QStringLiteral(": the folder cannot be created");
        return created;
    }
    const QDir history(historyPath);

    // Everything handed over is read before anything is written.
    struct Copy {
        const char* name;
        QString from;
        BoundedFile::Limit limit;
        bool required;
    };
    const Copy copies[] = {
        // The updater is started even without images (it reports them missing itself).
        {BankName, bankPath(projectDir), ImageFile, false},
        {Bank2Name, bank2Path(projectDir), ImageFile, false},
        {ParGenXml::FileName, project.filePath(QLatin1String(ParGenXml::FileName)),
         BoundedFile::ConfigFile, false},
        {MBusXml::FileName, project.filePath(QLatin1String(MBusXml::FileName)),
         BoundedFile::ConfigFile, false},
    };
    QList<std::pair<QString, QByteArray>> contents;
    for (const Copy& copy : copies) {
        if (!copy.required && !QFileInfo::exists(copy.from))
            continue;
        const BoundedFile::Result file = BoundedFile::read(copy.from, copy.limit);
        if (!file.ok()) {
            created.error = file.error;
            return created;
        }
        contents.append({QLatin1String(copy.name), file.bytes});
    }

    QString name = nowUtc.toUTC().toString(NameFormat);
    for (int n = 2; history.exists(name) && n < 100; ++n)
        name = nowUtc.toUTC().toString(NameFormat) +
               QStringLiteral("_%1").arg(n, 2, 10, QLatin1Char('0'));
    if (!history.mkdir(name)) {
        created.error = QDir::toNativeSeparators(history.filePath(name)) +
                        QStringLiteral(": the folder cannot be created");
        return created;
    }
    Record record = details;
    record.folder = history.filePath(name);
    record.date = nowUtc.toUTC();
    record.outcome = Outcome::Started;
    record.exitCode = 0;
    const QDir entry(record.folder);
    QString error;
    for (const auto& [file, bytes] : contents) {
        const QString path = entry.filePath(file);
        const QString failed = writeFileAtomically(path, bytes);
        if (!failed.isEmpty()) {
            error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + failed;
            break;
        }
    }
    if (error.isEmpty())
        error = writeRecord(record);
    if (!error.isEmpty()) {
        // Half an entry would pass for what was sent.
        QDir(record.folder).removeRecursively();
        created.error = error;
        return created;
    }
    created.record = record;

    const QStringList names = entryNames(history);
    for (qsizetype i = 0; i + keep < names.size(); ++i)
        QDir(history.filePath(names.at(i))).removeRecursively();
    return created;
}

QString setOutcome(Record& record, Outcome outcome, int exitCode) {
    record.outcome = outcome;
    record.exitCode = exitCode;
    return writeRecord(record);
}

void discard(const Record& record) {
    if (!record.folder.isEmpty() && isEntryName(QFileInfo(record.folder).fileName()) &&
        !isLink(record.folder))
        QDir(record.folder).removeRecursively();
}

QList<Record> list(const QString& projectDir) {
    const QString historyPath = QDir(projectDir).filePath(QLatin1String(FolderName));
    if (isLink(historyPath))
        return {};
    const QDir history(historyPath);
    QList<Record> records;
    const QStringList names = entryNames(history);
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        if (const auto record = readRecord(history.filePath(*it)))
            records.append(*record);
    return records;
}

Loaded loadImages(const QString& bank) {
    Loaded loaded;
    const QFileInfo info(bank);
    const QString bank2 = info.dir().filePath(QLatin1String(Bank2Name));
    const BoundedFile::Result one = BoundedFile::read(bank, ImageFile);
    if (!one.ok()) {
        loaded.error = one.error;
        return loaded;
    }
    const BoundedFile::Result two = BoundedFile::read(bank2, ImageFile);
    if (!two.ok()) {
        loaded.error = two.error;
        return loaded;
    }
    QString error = ImageDecode::decodeNetwork(one.bytes, loaded.images.network);
    if (!error.isEmpty()) {
        loaded.error = QDir::toNativeSeparators(bank) + QStringLiteral(": ") + error;
        return loaded;
    }
    error = ImageDecode::decodeBlock(two.bytes, loaded.images.block);
    if (!error.isEmpty()) {
        loaded.error = QDir::toNativeSeparators(bank2) + QStringLiteral(": ") + error;
        return loaded;
    }
    for (const QString& dir :
         {info.absolutePath(), QFileInfo(info.absolutePath()).absolutePath()}) {
        const QString mbus = QDir(dir).filePath(QLatin1String(MBusXml::FileName));
        if (QFileInfo(mbus).isFile()) {
            const NetworkLoad network = Load_Network(mbus);
            if (network.ok())
                loaded.labels = ImageCompare::labelsFrom(network.Nodi_List);
            break;
        }
    }
    return loaded;
}

Loaded loadFolder(const QString& folder) {
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(QLatin1String(BankName))))
        return loadImages(dir.filePath(QLatin1String(BankName)));
    Loaded loaded;
    const QString parGen = dir.filePath(QLatin1String(ParGenXml::FileName));
    const QString mbus = dir.filePath(QLatin1String(MBusXml::FileName));
    if (!QFileInfo(folder).isDir() || (!QFileInfo::exists(parGen) && !QFileInfo::exists(mbus))) {
        loaded.error = QDir::toNativeSeparators(folder) +
                       QStringLiteral(": neither a configuration nor an update of one");
        return loaded;
    }
    const CompileResult compiled = Compile_Banks(mbus, parGen);
    if (!compiled.ok()) {
        loaded.error = compiled.error;
        return loaded;
    }
    QString error = ImageDecode::decodeNetwork(compiled.banks.bank, loaded.images.network);
    if (error.isEmpty())
        error = ImageDecode::decodeBlock(compiled.banks.bank2, loaded.images.block);
    if (!error.isEmpty()) {
        loaded.error = QDir::toNativeSeparators(folder) + QStringLiteral(": ") + error;
        return loaded;
    }
    const NetworkLoad network = Load_Network(mbus);
    if (network.ok())
        loaded.labels = ImageCompare::labelsFrom(network.Nodi_List);
    return loaded;
}

namespace {

QStringList silentNodeWarnings(const QString& projectDir, const LangTable& texts) {
    const NetworkLoad network =
        Load_Network(QDir(projectDir).filePath(QLatin1String(MBusXml::FileName)));
    QStringList lines;
    if (network.ok())
        for (const auto& warning : NetworkWarnings::silentNodes(network.Nodi_List, texts))
            lines << warning.text;
    return lines;
}

} // namespace

Comparison compareWithLastUpdate(const QString& projectDir, const LangTable& texts) {
    Comparison result;
    result.heading = texts.text(T_ChangesOnDevice);
    result.warnings = silentNodeWarnings(projectDir, texts);
    const QString bank = bankPath(projectDir);
    const Loaded now = loadImages(bank);
    if (!now.ok()) {
        // No image yet is the usual state of a new configuration, not a fault of the files.
        result.error = QFileInfo::exists(bank) ? now.error : texts.text(T_NotCompiled);
        result.lines << result.error;
        return result;
    }
    // The device holds what the last update that ended well sent; failing later attempts may
    // have changed nothing. Without such an update, the last attempt is the best guess.
    const QList<Record> records = list(projectDir);
    std::optional<Record> base;
    for (const Record& record : records) {
        if (!record.sentImages() || !loadFolder(record.folder).ok())
            continue;
        if (record.outcome == Outcome::Finished && record.exitCode == 0) {
            base = record;
            break;
        }
        if (!base)
            base = record;
    }
    if (base) {
        const Loaded before = loadFolder(base->folder);
        result.heading = texts.text(T_ComparedWith).arg(dateText(*base));
        if (base->outcome != Outcome::Finished || base->exitCode != 0)
            result.heading += QLatin1Char(' ') + outcomeText(*base, texts);
        result.changes = ImageCompare::compare(before.images, now.images, texts);
        result.lines = ImageCompare::describeAll(result.changes, before.labels, now.labels, texts);
        return result;
    }
    result.first = true;
    result.lines << texts.text(T_FirstUpdate);
    return result;
}

QString outcomeText(const Record& record, const LangTable& texts) {
    switch (record.outcome) {
    case Outcome::Started:
        return texts.text(T_EndNotRecorded);
    case Outcome::Finished:
        return record.exitCode == 0 ? texts.text(T_FinishedCode).arg(0)
                                    : texts.text(T_FailedCode).arg(record.exitCode);
    case Outcome::LeftRunning:
        return texts.text(T_StillRunning).arg(record.limitMs / 1000);
    case Outcome::Crashed:
        return texts.text(T_Crashed);
    }
    return {};
}

QString optionText(const Record& record, const LangTable& texts) {
    QString text = record.option >= 0 && record.option <= 2
                       ? texts.text(815 + record.option).trimmed()
                       : QString::number(record.option);
    if (record.readBack)
        text += QStringLiteral(", ") + texts.text(818).trimmed();
    return text;
}

QString dateText(const Record& record) {
    return record.date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace UpdateHistory
