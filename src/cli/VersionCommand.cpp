#include "cli/Commands.h"

#include "common/Product.h"
#include "common/Workspace.h"
#include "core/shell/StartUp.h"
#include "core/lang/LanguageTable.h"

#include <QDir>

namespace Cli {

int version(const QStringList& args, const Workspace::Request& defaults, QTextStream& out,
            QTextStream& err) {
    Workspace::Request request = defaults;
    if (args.size() == 2 && args.first() == QStringLiteral("--workspace")) {
        request.explicitWorkspace = args.at(1);
    } else if (!args.isEmpty()) {
        err << "Usage: ordano-cli --version [--workspace DIR]\n";
        return 2;
    }
    // Only says which folder the configurator would use; nothing is created.
    request.create = false;
    const Workspace::Choice choice = Workspace::choose(request);
    if (!choice.ok()) {
        err << "ordano-cli: "
            << LanguageTable().text(StartUp::Msg_CannotCreate) +
                   QDir::toNativeSeparators(choice.layout.workspace)
            << '\n';
        return 2;
    }
    out << "ordano-cli " << SW_Version << '\n'
        << "Workspace: " << QDir::toNativeSeparators(choice.layout.workspace) << '\n';
    return 0;
}

} // namespace Cli
