#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "common/ConfigClaim.h"
#include "common/ConfigLock.h"
#include "core/image/BankFiles.h"
#include "core/lang/LanguageSet.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "core/network/NetworkXml.h"
#include "core/report/Exports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Cli {

namespace {

QString networkFile(const QString& dir) {
    return QDir(dir).filePath(QLatin1String(MBusXml::FileName));
}

} // namespace

QStringList shippedLanguageFolders() {
    const QString program = QCoreApplication::applicationDirPath();
    const QString language = QLatin1String(Workspace::LanguageFolder);
    return {QDir(program).filePath(language),
            QDir(Workspace::installedDataFolder(program)).filePath(language)};
}

std::optional<LanguageTable> takeLanguage(QStringList& args, QTextStream& err,
                                          const char* command) {
    QString name;
    const qsizetype at = args.indexOf(QStringLiteral("--language"));
    if (at >= 0) {
        if (at + 1 >= args.size())
            return std::nullopt;
        name = args.takeAt(at + 1);
        args.removeAt(at);
    }
    QString why;
    auto table = LanguageSet::loadNamed(name, shippedLanguageFolders(), &why);
    if (!table)
        err << command << ": " << why << '\n';
    return table;
}

int exportCsv(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const std::optional<LanguageTable> texts = takeLanguage(args, err, "export-csv");
    if (!texts || args.size() != 2) {
        err << "Usage: ordano-cli export-csv CONFIG_DIR FILE [--language NAME]\n";
        return 2;
    }
    if (!QFileInfo(args[0]).isDir()) {
        err << "export-csv: " << args[0] << " is not a folder\n";
        return 2;
    }
    const NetworkLoad network = loadNetwork(networkFile(args[0]));
    if (!network.ok()) {
        err << "export-csv: " << network.error << '\n';
        return 1;
    }
    const QString failed = Exports::writeCsv(network.nodes, *texts, args[0], args[1]);
    if (!failed.isEmpty()) {
        err << "export-csv: " << failed << '\n';
        return 1;
    }
    out << FileName::shown(args[1]) << ": " << network.nodes.size() << " nodes\n";
    return 0;
}

int importCsv(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 2) {
        err << "Usage: ordano-cli import-csv CONFIG_DIR FILE\n";
        return 2;
    }
    if (!QFileInfo(args[0]).isDir()) {
        err << "import-csv: " << args[0] << " is not a folder\n";
        return 2;
    }
    // A window showing the configuration would write its own network over the import at its
    // next OK.
    if (const auto holder = ConfigClaim::heldBy(args[0])) {
        err << "import-csv: " << FileName::shown(args[0]) << " is open in "
            << (holder->program.isEmpty() ? QStringLiteral("an Ordano window") : holder->program)
            << " (" << ConfigLock::holderPlace(holder->process, holder->host)
            << "); nothing was changed: import it in that window, or close "
            << "the configuration there first\n";
        return 1;
    }
    // Held from the check to the write: no other writer changes the configuration between.
    const ConfigLock lock(args[0]);
    if (!lock.ok()) {
        err << "import-csv: " << lock.error() << '\n';
        return 1;
    }
    // A file written in any language the program has is taken; messages are in English.
    const LanguageTable texts;
    const auto languages = LanguageSet::tables(LanguageSet::loadAll(shippedLanguageFolders()));
    const Exports::CsvFile file = Exports::readCsv(args[1], texts, languages);
    if (!file.ok()) {
        // Nothing is changed: the whole file is refused.
        err << "import-csv: " << args[1] << ": "
            << (file.unreadable.isEmpty() ? file.imported.error : file.unreadable) << '\n';
        return 1;
    }
    const NetworkCsv::ImportResult& imported = file.imported;
    const QString failed = saveNetwork(imported.nodes, networkFile(args[0]));
    if (!failed.isEmpty()) {
        // The writer's text names the file; the old network is untouched.
        err << "import-csv: " << failed << '\n';
        return 1;
    }
    out << networkFile(args[0]) << ": " << imported.nodes.size() << " nodes\n";
    return 0;
}

} // namespace Cli
