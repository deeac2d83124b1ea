#include "cli/Commands.h"

#include "common/ConfigLock.h"
#include "core/image/BankFiles.h"
#include "core/image/CompileConfiguration.h"

#include <QDir>
#include <QFileInfo>

namespace Cli {

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
    const CompiledConfiguration result = compileConfiguration(dir);
    if (!result.ok()) {
        err << "compile: " << result.error << "\n";
        return 1;
    }
    out << QDir::toNativeSeparators(bankPath(dir)) << ": " << result.banks.bank.size() << " bytes\n"
        << QDir::toNativeSeparators(bank2Path(dir)) << ": " << result.banks.bank2.size()
        << " bytes\n";
    return 0;
}

} // namespace Cli
