#include "cli/Commands.h"

#include "core/history/HistoryTexts.h"
#include "core/history/ImageCompare.h"
#include "core/history/UpdateHistory.h"
#include "core/lang/LangTable.h"

#include <QFileInfo>

namespace Cli {

namespace {

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
    const LangTable texts;
    const QList<ImageCompare::Change> changes =
        ImageCompare::compare(before.images, after.images, texts);
    if (json) {
        out << QString::fromUtf8(ImageCompare::toJson(changes));
    } else {
        for (const QString& line :
             ImageCompare::describeAll(changes, before.labels, after.labels, texts))
            out << line << "\n";
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
    const LangTable texts;
    const QList<UpdateHistory::Record> records = UpdateHistory::list(args.first());
    if (records.isEmpty())
        out << texts.text(HistoryTexts::T_NoUpdateYet) << "\n";
    for (const UpdateHistory::Record& r : records)
        out << UpdateHistory::dateText(r) << "\t"
            << (r.path.isEmpty() ? QStringLiteral("-") : r.path) << "\t"
            << UpdateHistory::optionText(r, texts) << "\t" << UpdateHistory::outcomeText(r, texts)
            << "\t" << r.folder << "\n";
    return 0;
}

} // namespace Cli
