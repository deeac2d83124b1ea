#include "cli/Commands.h"

#include "image/BankDump.h"

#include <QFile>

namespace Cli {

namespace {

// Device images are at most a few kilobytes; a larger file is surely something else.
constexpr qint64 MaxImageSize = 1024 * 1024;

} // namespace

int dump(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        err << "Usage: ordano-cli dump FILE...\n";
        return 2;
    }
    int status = 0;
    for (const QString& path : args) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            err << "dump: " << path << ": " << file.errorString() << "\n";
            status = 1;
            continue;
        }
        if (file.size() > MaxImageSize) {
            err << "dump: " << path << ": " << file.size()
                << " bytes is far more than a device image holds\n";
            status = 1;
            continue;
        }
        const QByteArray bytes = file.read(MaxImageSize + 1);
        const BankDump result = dumpImage(bytes);
        out << "== " << path << "\n" << result.text;
        if (!result.ok) {
            err << "dump: " << path << ": truncated, inconsistent or not a device image\n";
            status = 1;
        }
    }
    return status;
}

} // namespace Cli
