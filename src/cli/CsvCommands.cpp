#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "common/ConfigLock.h"
#include "core/image/BankFiles.h"
#include "core/lang/LangTable.h"
#include "core/network/Network.h"
#include "core/network/NetworkCsv.h"
#include "core/network/NetworkXml.h"

#include <QDir>
#include <QFileInfo>

namespace Cli {

namespace {

QString networkFile(const QString& dir) {
    return QDir(dir).filePath(QLatin1String(MBusXml::FileName));
}

} // namespace

int exportCsv(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 2) {
        err << "Usage: ordano-cli export-csv CONFIG_DIR FILE\n";
        return 2;
    }
    if (!QFileInfo(args[0]).isDir()) {
        err << "export-csv: " << args[0] << " is not a folder\n";
        return 2;
    }
    const NetworkLoad network = Load_Network(networkFile(args[0]));
    if (!network.ok()) {
        err << "export-csv: " << network.error << '\n';
        return 1;
    }
    const LangTable texts;
    const QString failed = writeUserFile(
        args[1], NetworkCsv::exportNetwork(network.Nodi_List, texts), configurationFiles(args[0]));
    if (!failed.isEmpty()) {
        err << "export-csv: " << failed << '\n';
        return 1;
    }
    out << FileName::shown(args[1]) << ": " << network.Nodi_List.size() << " nodes\n";
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
    // A FIFO or a device is refused at once, never waited on.
    const BoundedFile::Result file = BoundedFile::read(args[1], NetworkCsv::FileLimit);
    if (!file.ok()) {
        err << "import-csv: " << args[1] << ": " << file.reason << '\n';
        return 1;
    }
    // Held from the check to the write: no other writer changes the configuration between.
    const ConfigLock lock(args[0]);
    if (!lock.ok()) {
        err << "import-csv: " << lock.error() << '\n';
        return 1;
    }
    const LangTable texts;
    const NetworkCsv::ImportResult imported = NetworkCsv::importNetwork(file.bytes, texts);
    if (!imported.ok()) {
        // Nothing is changed: the whole file is refused.
        err << "import-csv: " << args[1] << ": " << imported.error << '\n';
        return 1;
    }
    const QString failed = Save_Network(imported.nodes, networkFile(args[0]));
    if (!failed.isEmpty()) {
        // The writer's text names the file; the old network is untouched.
        err << "import-csv: " << failed << '\n';
        return 1;
    }
    out << networkFile(args[0]) << ": " << imported.nodes.size() << " nodes\n";
    return 0;
}

} // namespace Cli
