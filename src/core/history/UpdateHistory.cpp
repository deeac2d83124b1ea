#include "core/history/UpdateHistory.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "common/ConfigLock.h"
#include "common/XmlFile.h"
#include "core/comm/ParGenXml.h"
#include "core/history/HistoryTexts.h"
#include "core/image/BankFiles.h"
#include "core/image/BankLayout.h"
#include "core/image/Compiler.h"
#include "core/image/ImageSources.h"
#include "core/lang/LanguageTable.h"
#include "core/network/NetworkWarnings.h"
#include "core/network/NetworkXml.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    // The pattern alone takes 2026-13-45_99-99-99: only a real date-time is an entry's name.
    return pattern.match(name).hasMatch() &&
           QDateTime::fromString(name.left(NameFormat.size()), NameFormat).isValid();
}

// The folder an entry is built in before it is renamed into place complete.
const QString BuildName = QStringLiteral("entry");

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

QString imagesName(ImagesSent images) {
    switch (images) {
    case ImagesSent::NotJudged:
        return {};
    case ImagesSent::Matching:
        return QStringLiteral("matching");
    case ImagesSent::NotMatching:
        return QStringLiteral("not matching, sent as asked");
    case ImagesSent::NotKnown:
        return QStringLiteral("not known to match, sent as asked");
    }
    return {};
}

ImagesSent imagesFrom(const QString& name) {
    for (const ImagesSent images :
         {ImagesSent::Matching, ImagesSent::NotMatching, ImagesSent::NotKnown})
        if (name == imagesName(images))
            return images;
    return ImagesSent::NotJudged;
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
    put("Sequence", QString::number(r.sequence));
    if (r.images != ImagesSent::NotJudged)
        put("Images", imagesName(r.images));
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
    r.sequence = text("Sequence").toLongLong();
    r.images = imagesFrom(text("Images"));
    return r;
}

// Entry folders (never a link: pruning must not reach what one points to), with their
// records where they can be read.
struct Entry {
    QString name;
    std::optional<Record> record;
};

QList<Entry> entries(const QDir& history) {
    QList<Entry> found;
    for (const QFileInfo& info :
         history.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name))
        if (isEntryName(info.fileName()) && !isLink(info.filePath()))
            found.append({info.fileName(), readRecord(info.filePath())});
    return found;
}

// Oldest first, in the order the entries were made: the sequence each record carries, which
// no clock set back can reorder, then the recorded time, then the name. An entry without a
// readable record counts as made before every other.
void sortByCreation(QList<Entry>& list) {
    std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
        const auto key = [](const Entry& e) {
            return std::tuple(e.record.has_value(), e.record ? e.record->sequence : 0,
                              e.record ? e.record->date.toMSecsSinceEpoch() : 0);
        };
        return key(a) < key(b);
    });
}

#ifdef Q_OS_UNIX
// Build folders of a creator that was killed; one a running creator holds locked stays.
void removeAbandonedBuilds(const QDir& history) {
    for (const QFileInfo& info : history.entryInfoList(QDir::Dirs | QDir::Hidden |
                                                       QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        if (!AtomicFile::isTemporaryOf(info.fileName(), BuildName) || info.isSymLink())
            continue;
        const int fd = ::open(QFile::encodeName(info.filePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            QDir(info.filePath()).removeRecursively();
        ::close(fd);
    }
}
#endif

} // namespace

Created create(const QString& projectDir, const Record& details, const QDateTime& nowUtc,
               int keep) {
    Created created;
    const ConfigLock lock(projectDir);
    if (!lock.ok()) {
        created.error = lock.error();
        return created;
    }
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

    // Built complete in a hidden folder that the listing does not see, then renamed into
    // place: a process killed on the way leaves no half entry, only a folder the next update
    // removes.
#ifdef Q_OS_UNIX
    removeAbandonedBuilds(history);
#endif
    QString buildPath;
    int buildFd = -1;
    for (int attempt = 0; attempt < 100 && buildPath.isEmpty(); ++attempt) {
        const QString candidate = history.filePath(AtomicFile::temporaryName(BuildName));
        if (!QDir().mkdir(candidate))
            continue;
#ifdef Q_OS_UNIX
        // Locked before anything is put in it; one removed in between is given up.
        buildFd = ::open(QFile::encodeName(candidate).constData(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat self {};
        if (buildFd < 0 || ::flock(buildFd, LOCK_EX | LOCK_NB) != 0 ||
            ::fstat(buildFd, &self) != 0 || self.st_nlink == 0) {
            if (buildFd >= 0)
                ::close(buildFd);
            buildFd = -1;
            continue;
        }
#endif
        buildPath = candidate;
    }
    const auto release = qScopeGuard([&] {
#ifdef Q_OS_UNIX
        if (buildFd >= 0)
            ::close(buildFd);
#endif
    });
    if (buildPath.isEmpty()) {
        created.error = shownHistory + QStringLiteral(": the folder cannot be created");
        return created;
    }

    QList<Entry> existing = entries(history);
    Record record = details;
    record.folder = buildPath;
    record.date = nowUtc.toUTC();
    record.outcome = Outcome::Started;
    record.exitCode = 0;
    record.sequence = 1;
    for (const Entry& entry : std::as_const(existing))
        if (entry.record)
            record.sequence = std::max(record.sequence, entry.record->sequence + 1);
    const QDir build(buildPath);
    QString error;
    for (const auto& [file, bytes] : contents) {
        const QString path = build.filePath(file);
        const QString failed = AtomicFile::writeComplete(path, bytes);
        if (!failed.isEmpty()) {
            error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + failed;
            break;
        }
    }
    if (error.isEmpty())
        error = writeRecord(record);
    // Messages name the entry as it would have been called, not the hidden build folder.
    const QString firstName = nowUtc.toUTC().toString(NameFormat);
    error.replace(QDir::toNativeSeparators(buildPath),
                  QDir::toNativeSeparators(history.filePath(firstName)));
#ifdef Q_OS_UNIX
    if (error.isEmpty() && ::fsync(buildFd) != 0)
        error = shownHistory + QStringLiteral(": ") + AtomicFile::systemReason(errno);
#endif

    // The name says when, for people; a clock set back or many updates in one second only
    // change the counter.
    QString name;
    for (int n = 1; error.isEmpty() && name.isEmpty() && n < 100; ++n) {
        const QString candidate =
            nowUtc.toUTC().toString(NameFormat) +
            (n == 1 ? QString() : QStringLiteral("_%1").arg(n, 2, 10, QLatin1Char('0')));
        if (history.exists(candidate) || QFileInfo(history.filePath(candidate)).isSymLink())
            continue;
#ifdef Q_OS_LINUX
        if (::renameat2(AT_FDCWD, QFile::encodeName(buildPath).constData(), AT_FDCWD,
                        QFile::encodeName(history.filePath(candidate)).constData(),
                        RENAME_NOREPLACE) == 0)
            name = candidate;
        else if (errno != EEXIST)
            error = QDir::toNativeSeparators(history.filePath(candidate)) + QStringLiteral(": ") +
                    AtomicFile::systemReason(errno);
#else
        if (QDir().rename(buildPath, history.filePath(candidate)))
            name = candidate;
#endif
    }
    if (error.isEmpty() && name.isEmpty())
        error = shownHistory + QStringLiteral(": no free name for the entry");
    if (!error.isEmpty()) {
        // Half an entry would pass for what was sent.
        QDir(buildPath).removeRecursively();
        created.error = error;
        return created;
    }
    record.folder = history.filePath(name);
    created.record = record;

    // The oldest beyond `keep` go, by the order they were made; never the one just made.
    existing.append({name, record});
    sortByCreation(existing);
    qsizetype excess = existing.size() - keep;
    for (qsizetype i = 0; excess > 0 && i < existing.size(); ++i) {
        if (existing.at(i).name == name)
            continue;
        const QString path = history.filePath(existing.at(i).name);
        // Renamed out of the listing first: a process killed while removing leaves no half
        // entry, only a folder the next update clears.
        const QString trash = history.filePath(AtomicFile::temporaryName(BuildName));
        if (!isLink(path) && QDir().rename(path, trash))
            QDir(trash).removeRecursively();
        --excess;
    }
    return created;
}

QString setOutcome(Record& record, Outcome outcome, int exitCode) {
    record.outcome = outcome;
    record.exitCode = exitCode;
    return writeRecord(record);
}

void discard(const Record& record) {
    if (record.folder.isEmpty() || !isEntryName(QFileInfo(record.folder).fileName()) ||
        isLink(record.folder))
        return;
    const QString trash =
        QFileInfo(record.folder).dir().filePath(AtomicFile::temporaryName(BuildName));
    if (QDir().rename(record.folder, trash))
        QDir(trash).removeRecursively();
}

QList<Record> list(const QString& projectDir) {
    const QString historyPath = QDir(projectDir).filePath(QLatin1String(FolderName));
    if (isLink(historyPath))
        return {};
    const QDir history(historyPath);
    QList<Entry> found = entries(history);
    sortByCreation(found);
    QList<Record> records;
    for (auto it = found.crbegin(); it != found.crend(); ++it)
        if (it->record)
            records.append(*it->record);
    return records;
}

QStringList otherFolders(const QString& projectDir) {
    const QString historyPath = QDir(projectDir).filePath(QLatin1String(FolderName));
    if (isLink(historyPath))
        return {};
    QStringList others;
    for (const QFileInfo& info :
         QDir(historyPath)
             .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name))
        if (!isEntryName(info.fileName()) || info.isSymLink() || !info.isDir())
            others << info.fileName();
    return others;
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
            const NetworkLoad network = loadNetwork(mbus);
            if (network.ok())
                loaded.labels = ImageCompare::labelsFrom(network.nodes);
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
    const CompileResult compiled = compileBanksFromFiles(mbus, parGen);
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
    const NetworkLoad network = loadNetwork(mbus);
    if (network.ok())
        loaded.labels = ImageCompare::labelsFrom(network.nodes);
    return loaded;
}

namespace {

QStringList silentNodeWarnings(const QString& projectDir, const LanguageTable& texts) {
    const NetworkLoad network =
        loadNetwork(QDir(projectDir).filePath(QLatin1String(MBusXml::FileName)));
    QStringList lines;
    if (network.ok())
        for (const auto& warning : NetworkWarnings::silentNodes(network.nodes, texts))
            lines << warning.text;
    return lines;
}

} // namespace

Comparison compareWithLastUpdate(const QString& projectDir, const LanguageTable& texts) {
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
    result.imagesNotice = ImageSources::text(ImageSources::judgeConfiguration(projectDir), texts);
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

QString outcomeText(const Record& record, const LanguageTable& texts) {
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

QString optionText(const Record& record, const LanguageTable& texts) {
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
