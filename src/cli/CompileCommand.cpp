#include "cli/Commands.h"

#include "common/ConfigLock.h"
#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"

#include <QDir>
#include <QFileInfo>

namespace Cli {

// Compiles fully in memory before anything is written, so a failure leaves the images on
// disk as they were.
int compile(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "Usage: ordano-cli compile CONFIG_DIR\n";
        return 2;
    }
    const QString dir = args.first();
    if (!QFileInfo(dir).isDir()) {
        err << "compile: " << dir << " is not a folder\n";
        return 1;
    }
    // Held from the read of both files to the images' exchange.
    const ConfigLock lock(dir);
    if (!lock.ok()) {
        err << "compile: " << lock.error() << "\n";
        return 1;
    }
    const QDir config(dir);
    const CompileResult result = Compile_Banks(config.filePath(QLatin1String(MBusXml::FileName)),
                                               config.filePath(QLatin1String(ParGenXml::FileName)));
    if (!result.ok()) {
        err << "compile: " << result.error << "\n";
        return 1;
    }
    const QString failed = Write_Banks(dir, result.banks);
    if (!failed.isEmpty()) {
        err << "compile: " << failed << "\n";
        return 1;
    }
    out << QDir::toNativeSeparators(bankPath(dir)) << ": " << result.banks.bank.size() << " bytes\n"
        << QDir::toNativeSeparators(bank2Path(dir)) << ": " << result.banks.bank2.size()
        << " bytes\n";
    return 0;
}

} // namespace Cli
