#include "core/network/NetworkImport.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "core/platform/Prompts.h"

#include <QDir>
#include <QFileInfo>

namespace NetworkImport {

namespace {

bool sameFile(const QString& a, const QString& b) {
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace

CheckedNetwork readNetworkFile(const QString& path) {
    CheckedNetwork result;
    BoundedFile::Result file = BoundedFile::read(path, BoundedFile::ConfigFile);
    if (!file.ok()) {
        result.error = QDir::toNativeSeparators(path) + QLatin1Char('\n') + file.reason;
        return result;
    }
    NetworkLoad load = parseNetwork(file.bytes, QFileInfo(path).fileName());
    if (!load.ok()) {
        result.error = load.error;
        return result;
    }
    result.bytes = std::move(file.bytes);
    result.nodes = std::move(load.nodes);
    return result;
}

Outcome importFile(Prompts& prompts, QWidget* parent, const LanguageTable& table,
                   const QString& fileMBus, const QString& startFolder, bool unsavedChanges) {
    const QString chosen =
        prompts.openFile(parent, table.text(Caption), startFolder, QLatin1String(Filter));
    if (chosen.isEmpty())
        return Outcome::Cancelled;
    // Deleting the own file before copying it would lose the network.
    if (sameFile(chosen, fileMBus)) {
        if (!unsavedChanges)
            prompts.warning(parent, table.text(Msg_OwnFileReloaded));
        else if (!prompts.question(parent, table.text(Msg_DropChanges)))
            return Outcome::Declined;
        return Outcome::OwnFileReloaded;
    }
    const CheckedNetwork checked = readNetworkFile(chosen);
    if (!checked.ok()) {
        prompts.error(parent, table.text(Msg_NotImported) + QLatin1Char('\n') + checked.error);
        return Outcome::Failed;
    }
    if (QFileInfo::exists(fileMBus) && !prompts.question(parent, table.text(Msg_Overwrite)))
        return Outcome::Declined;
    // Copied unchanged; the old file stays until the new one is complete.
    if (const QString error = writeFileAtomically(fileMBus, checked.bytes); !error.isEmpty()) {
        // The writer's text names the file and the system's reason.
        prompts.error(parent, table.text(Msg_NotImported) + QLatin1Char('\n') + error);
        return Outcome::Failed;
    }
    return Outcome::Imported;
}

} // namespace NetworkImport
