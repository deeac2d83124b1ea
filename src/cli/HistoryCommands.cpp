#include "cli/Commands.h"
#include "cli/Printable.h"
#include "common/AtomicFile.h"

#include "core/history/HistoryTexts.h"
#include "core/history/ImageCompare.h"
#include "core/history/UpdateHistory.h"
#include "core/image/BankFiles.h"
#include "core/image/ImageSources.h"
#include "core/lang/LanguageTable.h"

#include <QDir>
#include <QFileInfo>

namespace Cli {

namespace {

enum TextIndex {
    T_ImagesSentAnyway = 912,
    T_NotUpdates = 913,
};

UpdateHistory::Loaded load(const QString& path) {
    return QFileInfo(path).isDir() ? UpdateHistory::loadFolder(path)
                                   : UpdateHistory::loadImages(path);
}

} // namespace

// Exit status as diff(1): 0 the same, 1 different, 2 trouble.
int diff(const QStringList& args, QTextStream& out, QTextStream& err) {
    QStringList paths;
    bool json = false;
    for (const QString& word : args) {
        if (word == QStringLiteral("--json"))
            json = true;
        else
            paths << word;
    }
    if (paths.size() != 2) {
        err << "Usage: ordano-cli diff [--json] A B   (configuration folders, update entries "
               "or bank.bin files)\n";
        return 2;
    }
    const UpdateHistory::Loaded before = load(paths[0]);
    const UpdateHistory::Loaded after = load(paths[1]);
    for (const UpdateHistory::Loaded* side : {&before, &after}) {
        if (!side->ok()) {
            err << "diff: " << side->error << "\n";
            return 2;
        }
    }
    const LanguageTable texts;
    // Images of a configuration's bin/ are compared as they are, but said when they are not
    // the compile of the files beside them.
    for (const QString& path : std::as_const(paths)) {
        const QFileInfo info(path);
        if (info.isDir() || info.dir().dirName() != QStringLiteral("bin"))
            continue;
        const QString project = QFileInfo(info.absolutePath()).absolutePath();
        if (bankPath(project) != QDir(project).filePath(QStringLiteral("bin/")) + info.fileName())
            continue;
        const QString text = ImageSources::text(ImageSources::judgeConfiguration(project), texts);
        if (!text.isEmpty())
            err << "diff: " << printable(FileName::shown(path)) << ": " << text << "\n";
    }
    const QList<ImageCompare::Change> changes =
        ImageCompare::compare(before.images, after.images, texts);
    if (json) {
        out << QString::fromUtf8(ImageCompare::toJson(changes));
    } else {
        for (const QString& line :
             ImageCompare::describeAll(changes, before.labels, after.labels, texts))
            out << printable(line) << "\n";
    }
    return changes.isEmpty() ? 0 : 1;
}

int history(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "Usage: ordano-cli history CONFIG_DIR\n";
        return 2;
    }
    if (!QFileInfo(args.first()).isDir()) {
        err << "history: " << args.first() << " is not a folder\n";
        return 2;
    }
    const LanguageTable texts;
    const QList<UpdateHistory::Record> records = UpdateHistory::list(args.first());
    if (records.isEmpty())
        out << texts.text(HistoryTexts::T_NoUpdateYet) << "\n";
    for (const UpdateHistory::Record& r : records) {
        out << UpdateHistory::dateText(r) << "\t"
            << (r.path.isEmpty() ? QStringLiteral("-") : printable(r.path)) << "\t"
            << UpdateHistory::optionText(r, texts) << "\t" << UpdateHistory::outcomeText(r, texts)
            << "\t" << printable(FileName::shown(r.folder));
        if (r.images == UpdateHistory::ImagesSent::NotMatching ||
            r.images == UpdateHistory::ImagesSent::NotKnown)
            out << "\t" << texts.text(T_ImagesSentAnyway);
        out << "\n";
    }
    const QStringList others = UpdateHistory::otherFolders(args.first());
    if (!others.isEmpty()) {
        out << texts.text(T_NotUpdates) << "\n";
        for (const QString& name : others)
            out << "\t" << printable(FileName::shown(name)) << "\n";
    }
    return 0;
}

} // namespace Cli
