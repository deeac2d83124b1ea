#include "mbus/NetworkImport.h"

#include "common/AtomicFile.h"
#include "lang/LangTable.h"
#include "mbus/Network.h"
#include "platform/Prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace NetworkImport {

namespace {

bool sameFile(const QString& a, const QString& b) {
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

// The bytes of the chosen file when it is a network the editor can read, else the reason.
QString readNetworkFile(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QDir::toNativeSeparators(path) + QLatin1Char('\n') + file.errorString();
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QDir::toNativeSeparators(path) + QLatin1Char('\n') + file.errorString();
    return Load_Network(path).error;
}

} // namespace

Outcome Import_Network(Prompts& prompts, QWidget* parent, const LangTable& table,
                       const QString& fileMBus, const QString& startFolder) {
    const QString chosen =
        prompts.openFile(parent, table.text(Caption), startFolder, QLatin1String(Filter));
    if (chosen.isEmpty())
        return Outcome::Cancelled;
    // Deleting the own file before copying it would lose the network.
    if (sameFile(chosen, fileMBus)) {
        prompts.warning(parent, table.text(Msg_OwnFileReloaded));
        return Outcome::OwnFileReloaded;
    }
    QByteArray bytes;
    if (const QString reason = readNetworkFile(chosen, bytes); !reason.isEmpty()) {
        prompts.error(parent, table.text(Msg_NotImported) + QLatin1Char('\n') + reason);
        return Outcome::Failed;
    }
    if (QFileInfo::exists(fileMBus) && !prompts.question(parent, table.text(Msg_Overwrite)))
        return Outcome::Declined;
    // Copied unchanged; the old file stays until the new one is complete.
    if (const QString error = writeFileAtomically(fileMBus, bytes); !error.isEmpty()) {
        // The writer's text names the file and the system's reason.
        prompts.error(parent, table.text(Msg_NotImported) + QLatin1Char('\n') + error);
        return Outcome::Failed;
    }
    return Outcome::Imported;
}

} // namespace NetworkImport
