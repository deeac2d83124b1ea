#include "cli/Commands.h"

#include "common/BoundedFile.h"
#include "core/image/BankDump.h"

namespace Cli {

namespace {

// Device images are at most a few kilobytes; a larger file is surely something else.
constexpr BoundedFile::Limit ImageFile{1024 * 1024, "a device image"};

} // namespace

int dump(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        err << "Usage: ordano-cli dump FILE...\n";
        return 2;
    }
    int status = 0;
    for (const QString& path : args) {
        // A FIFO or a device is refused at once, never waited on.
        const BoundedFile::Result file = BoundedFile::read(path, ImageFile);
        if (!file.ok()) {
            err << "dump: " << path << ": " << file.reason << "\n";
            status = 1;
            continue;
        }
        const BankDump result = dumpImage(file.bytes);
        out << "== " << path << "\n" << result.text;
        if (!result.ok) {
            err << "dump: " << path << ": truncated, inconsistent or not a device image\n";
            status = 1;
        }
    }
    return status;
}

} // namespace Cli
