#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "core/lang/LanguageExport.h"
#include "core/lang/LanguageTable.h"

#include <QFileInfo>

namespace Cli {

namespace {

const char* const Export_Usage = "usage: ordano-cli export-language [--over LANGFILE] FILE\n";

} // namespace

int exportLanguage(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString over;
    QString target;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--over")) {
            if (i + 1 >= args.size() || !over.isEmpty()) {
                err << Export_Usage;
                return 2;
            }
            over = args[++i];
        } else if (arg.startsWith(u'-') || !target.isEmpty()) {
            err << Export_Usage;
            return 2;
        } else {
            target = arg;
        }
    }
    if (target.isEmpty()) {
        err << Export_Usage;
        return 2;
    }

    // Loaded exactly as the program loads a language, so an old translation comes out with
    // every text it lacks filled in from the defaults.
    LanguageTable table;
    table.resetToEnglish();
    QString source = QStringLiteral("English defaults");
    if (!over.isEmpty()) {
        QString why;
        if (!table.loadFile(over, &why)) {
            err << "export-language: cannot read language file '" << over << "': " << why << "\n";
            return 1;
        }
        source = QFileInfo(over).fileName() + QStringLiteral(" over the English defaults");
    }

    const LanguageExport::Result result = LanguageExport::exportTable(table, source);
    for (int index : result.skipped)
        err << "export-language: warning: text " << index
            << " holds a pilcrow, /#/ or a line break and is left out\n";
    const QString error = writeUserFile(target, result.bytes);
    if (!error.isEmpty()) {
        err << "export-language: " << error << "\n";
        return 1;
    }
    out << "Wrote " << FileName::shown(target) << "\n";
    return 0;
}

} // namespace Cli
