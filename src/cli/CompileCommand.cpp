#include "cli/Commands.h"

namespace Cli {

int compile(const QStringList& args, QTextStream& out, QTextStream& err) {
    Q_UNUSED(args);
    Q_UNUSED(out);
    err << "not available yet\n";
    return 2;
}

} // namespace Cli
