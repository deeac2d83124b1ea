#include "cli/Commands.h"
#include "cli/Printable.h"

#include "core/check/ConfigCheck.h"
#include "core/image/ImageSources.h"
#include "core/lang/LanguageTable.h"

#include <QFileInfo>

namespace Cli {

// Exit status: 0 nothing found, 1 findings, 2 wrong arguments or a file that cannot be read.
int check(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "Usage: ordano-cli check CONFIG_DIR\n";
        return 2;
    }
    const QString dir = args.first();
    if (!QFileInfo(dir).isDir()) {
        err << "ordano-cli check: " << dir << " is not a folder\n";
        return 2;
    }
    // The messages are the English defaults, as the windows show them without a language file.
    const LanguageTable texts;
    const ConfigCheckResult result = checkConfiguration(dir, texts);
    for (const QString& error : result.errors)
        err << error << '\n';
    // A finding quotes the file's text: a line break or tab in it must not forge a line.
    for (const ConfigFinding& finding : result.findings)
        out << printable(finding.line()) << '\n';
    // Warnings never change the exit status: the device takes such a configuration.
    for (const QString& warning : result.warnings)
        out << "M_Bus.xml: " << printable(warning) << '\n';
    // Images compiled from other files are said like a warning: the files themselves are sound.
    const QString images = ImageSources::text(ImageSources::judgeConfiguration(dir), texts);
    if (!images.isEmpty())
        out << "bin: " << images << '\n';
    if (!result.errors.isEmpty())
        return 2;
    if (!result.findings.isEmpty())
        return 1;
    if (result.warnings.isEmpty() && images.isEmpty())
        out << "no problems found\n";
    return 0;
}

} // namespace Cli
