#include "cli/Arguments.h"
#include "cli/Commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

const char* const Usage =
    "Usage: ordano-cli COMMAND [ARGUMENTS]\n"
    "       ordano-cli --version [--workspace DIR]\n"
    "\n"
    "Commands:\n"
    "  export-language [--over LANGFILE] FILE   write the text table as a translator's file\n"
    "  check CONFIG_DIR                         report values the windows would refuse\n"
    "  compile CONFIG_DIR                       write CONFIG_DIR/bin/bank.bin and bank2.bin\n"
    "  dump FILE...                             decode bank.bin or bank2.bin\n"
    "  export-csv CONFIG_DIR FILE [--language NAME]\n"
    "                                           write the network as a spreadsheet (CSV)\n"
    "  import-csv CONFIG_DIR FILE               replace the network by a checked spreadsheet\n"
    "                                           (written in any shipped language)\n"
    "  report CONFIG_DIR --format html|pdf|md -o FILE [--language NAME]\n"
    "                                           write the installation report\n"
    "  read-sources CONFIG_DIR (--serial PORT | --tcp HOST[:PORT]) [--json]\n"
    "               [--baud N] [--parity none|even|odd] [--timeout MS]\n"
    "               [--every SECONDS --count N]\n"
    "                                           read every enabled variable's Modbus source\n"
    "  gateway CONFIG_DIR (--mbus-tcp HOST:PORT | --mbus-serial PORT)\n"
    "          [--tcp HOST[:PORT] | --serial PORT | --values FILE] [--every SECONDS]\n"
    "          [--for SECONDS] [--hex]       answer as the gateway's M-Bus slaves\n"
    "  scan (--serial PORT | --tcp HOST[:PORT]) [--ids FIRST-LAST] [--timeout MS]\n"
    "       [--config DIR] [--json]             find the Modbus slaves that answer on a line\n"
    "  mbus-read (--mbus-tcp HOST:PORT | --mbus-serial PORT [--baud N] [--parity P])\n"
    "            (--address N | --secondary ID) [--config DIR] [--timeout MS] [--json]\n"
    "                                           read one M-Bus slave's records\n"
    "  mbus-scan (--mbus-tcp HOST:PORT | --mbus-serial PORT [--baud N] [--parity P])\n"
    "            [--addresses FIRST-LAST | --secondary [MASK]] [--config DIR]\n"
    "            [--timeout MS] [--json]\n"
    "                                           find the M-Bus slaves that answer\n"
    "  diff [--json] A B                        what B changes on the device against A\n"
    "                                           (folders or bank.bin files; exit 0 same,\n"
    "                                           1 different, 2 trouble)\n"
    "  history CONFIG_DIR                       list the updates kept for a configuration\n"
    "  template list|save|apply|export|import ... [--workspace DIR]\n"
    "                                           meter templates (ordano-cli template --help)\n";

} // namespace

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A write beyond the file-size limit then fails like any other and is reported.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::unique_ptr<QCoreApplication> application;
    if (Cli::needsGui(Cli::commandArguments(argc, argv))) {
        // Printing needs fonts, not a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    // Folder names are taken by their bytes, also where they are not valid UTF-8.
    QStringList args = Cli::commandArguments(argc, argv);
    if (args.isEmpty() || args.first() == QStringLiteral("--help") ||
        args.first() == QStringLiteral("-h")) {
        (args.isEmpty() ? err : out) << Usage;
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (command == QStringLiteral("--version") || command == QStringLiteral("template")) {
        // The configurator's own name, so the per-user data folder is the one it uses.
        QCoreApplication::setApplicationName(QStringLiteral("Ordano"));
        Workspace::Request defaults;
        defaults.programFolder = QCoreApplication::applicationDirPath();
        defaults.dataFolder = Workspace::installedDataFolder(defaults.programFolder);
        defaults.userDataFolder = Workspace::userDataFolder();
        if (command == QStringLiteral("template"))
            return Cli::templates(args, defaults, out, err);
        return Cli::version(args, defaults, out, err);
    }
    if (command == QStringLiteral("export-language"))
        return Cli::exportLanguage(args, out, err);
    if (command == QStringLiteral("check"))
        return Cli::check(args, out, err);
    if (command == QStringLiteral("compile"))
        return Cli::compile(args, out, err);
    if (command == QStringLiteral("dump"))
        return Cli::dump(args, out, err);
    if (command == QStringLiteral("export-csv"))
        return Cli::exportCsv(args, out, err);
    if (command == QStringLiteral("import-csv"))
        return Cli::importCsv(args, out, err);
    if (command == QStringLiteral("report"))
        return Cli::report(args, out, err);
    if (command == QStringLiteral("read-sources"))
        return Cli::readSources(args, out, err);
    if (command == QStringLiteral("gateway"))
        return Cli::gateway(args, out, err);
    if (command == QStringLiteral("scan"))
        return Cli::scan(args, out, err);
    if (command == QStringLiteral("mbus-read"))
        return Cli::mbusRead(args, out, err);
    if (command == QStringLiteral("mbus-scan"))
        return Cli::mbusScan(args, out, err);
    if (command == QStringLiteral("diff"))
        return Cli::diff(args, out, err);
    if (command == QStringLiteral("history"))
        return Cli::history(args, out, err);
    err << "ordano-cli: unknown command '" << command << "'\n" << Usage;
    return 2;
}
