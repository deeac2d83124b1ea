#include "core/image/CompileConfiguration.h"

#include "core/image/BankFiles.h"

#include <QDir>

CompiledConfiguration compileConfiguration(const QString& configDir) {
    const QDir config(configDir);
    CompileResult compiled =
        compileBanksFromFiles(config.filePath(QLatin1String(MBusXml::FileName)),
                              config.filePath(QLatin1String(ParGenXml::FileName)));
    if (!compiled.ok())
        return {{}, compiled.error};
    const QString failed = writeBanks(configDir, compiled.banks);
    if (!failed.isEmpty())
        return {{}, failed};
    return {std::move(compiled.banks), QString()};
}
