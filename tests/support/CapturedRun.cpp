#include "support/CapturedRun.h"

CapturedRun captureRun(const std::function<int(QTextStream& out, QTextStream& err)>& body) {
    CapturedRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = body(out, err);
    out.flush();
    err.flush();
    return run;
}

CapturedRun runCommand(CliCommand command, const QStringList& args) {
    return captureRun([&](QTextStream& out, QTextStream& err) { return command(args, out, err); });
}
