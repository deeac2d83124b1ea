// Every writer of the system against every way a write can fail: the write that fails
// part-way (file-size limit), a folder that takes no new file, a link, a FIFO, a read-only
// file and, for the files a user names, the configuration's own file. Each cell: the failure
// is reported (status or message) naming the file, the old bytes stay, no temporary stays.

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "common/AtomicFile.h"
#include "core/shell/Settings.h"
#include "core/comm/GeneralParameters.h"
#include "core/image/ImageSources.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "core/network/NetworkCsv.h"
#include "core/state/SharedState.h"
#include "core/update/UpdaterHandoff.h"
#include "support/CapturedRun.h"
#include "support/FailingWrites.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Config = QStringLiteral("PROJECTS/cfg");

// A program folder with a compiled configuration, the program's files and earlier outputs.
void arrangeWorkspace(const TestFolder& program) {
    program.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                        Config + QStringLiteral("/M_Bus.xml"));
    program.copyFixture(QStringLiteral("image/worked_example/ParGen.xml"),
                        Config + QStringLiteral("/ParGen.xml"));
    program.write(Config + QStringLiteral("/bin/bank.bin"), "old bank");
    program.write(Config + QStringLiteral("/bin/bank2.bin"), "old bank2");
    program.write(QStringLiteral("Ordano.xml"), "<Conf_Settings>old</Conf_Settings>");
    program.write(QStringLiteral("Ethernet_Update.xml"), "<Ethernet_Update>old</Ethernet_Update>");
    for (const char* name : {"net.csv", "report.md", "report.html", "report.pdf", "English.lng"})
        program.write(QStringLiteral("out/") + QLatin1String(name), "old output");
    const NetworkLoad network = loadNetwork(program.file(Config + QStringLiteral("/M_Bus.xml")));
    program.write(QStringLiteral("in/net.csv"),
                  NetworkCsv::exportNetwork(network.nodes, LanguageTable()));
}

struct Outcome {
    int status = 0; // 0: reported success
    QString text;
};

Outcome fromError(const QString& error) {
    return {error.isEmpty() ? 0 : 1, error};
}

Outcome fromCommand(const CapturedRun& run) {
    return {run.status, run.err};
}

enum class Kind { Workspace, UserNamed, UserNamedInConfiguration };

struct WriterRow {
    const char* name;
    QString target; // relative to the program folder
    Kind kind;
    std::function<Outcome(const TestFolder& program)> run;
};

QString at(const TestFolder& program, const QString& relative) {
    return program.file(relative);
}

QList<WriterRow> writers() {
    const QString cfg = Config;
    auto report = [cfg](const char* format) {
        return [cfg, format](const TestFolder& p) {
            return fromCommand(runCommand(
                Cli::report, {at(p, cfg), QStringLiteral("--format"), QLatin1String(format),
                              QStringLiteral("-o"),
                              at(p, QStringLiteral("out/report.") + QLatin1String(format))}));
        };
    };
    return {
        {"editor's save of M_Bus.xml", cfg + QStringLiteral("/M_Bus.xml"), Kind::Workspace,
         [cfg](const TestFolder& p) {
             const QString path = at(p, cfg + QStringLiteral("/M_Bus.xml"));
             Network nodes;
             Node node;
             node.primary = 7;
             nodes.append(node);
             return fromError(saveNetwork(nodes, path));
         }},
        {"import-csv", cfg + QStringLiteral("/M_Bus.xml"), Kind::Workspace,
         [cfg](const TestFolder& p) {
             return fromCommand(
                 runCommand(Cli::importCsv, {at(p, cfg), at(p, QStringLiteral("in/net.csv"))}));
         }},
        {"ParGen.xml", cfg + QStringLiteral("/ParGen.xml"), Kind::Workspace,
         [cfg](const TestFolder& p) {
             return fromError(saveGeneralParameters(GeneralParameters(),
                                                    at(p, cfg + QStringLiteral("/ParGen.xml"))));
         }},
        {"Ordano.xml", QStringLiteral("Ordano.xml"), Kind::Workspace,
         [](const TestFolder& p) {
             SharedState state;
             state.projectName = QStringLiteral("cfg");
             return fromError(Settings::saveSettings(state, at(p, QStringLiteral("Ordano.xml"))));
         }},
        {"Ethernet_Update.xml", QStringLiteral("Ethernet_Update.xml"), Kind::Workspace,
         [cfg](const TestFolder& p) {
             UpdaterHandoff::EthernetParameters parameters;
             parameters.ipAddress = QStringLiteral("127.0.0.1");
             parameters.dirMaster = at(p, QStringLiteral("MASTER"));
             parameters.projectDir = at(p, cfg);
             return fromError(UpdaterHandoff::ethernetUpdaterXml(parameters, p.path()));
         }},
        {"compile (the images)", cfg + QStringLiteral("/bin/bank2.bin"), Kind::Workspace,
         [cfg](const TestFolder& p) {
             return fromCommand(runCommand(Cli::compile, {at(p, cfg)}));
         }},
        {"export-language", QStringLiteral("out/English.lng"), Kind::UserNamed,
         [](const TestFolder& p) {
             return fromCommand(
                 runCommand(Cli::exportLanguage, {at(p, QStringLiteral("out/English.lng"))}));
         }},
        {"export-csv", QStringLiteral("out/net.csv"), Kind::UserNamedInConfiguration,
         [cfg](const TestFolder& p) {
             return fromCommand(
                 runCommand(Cli::exportCsv, {at(p, cfg), at(p, QStringLiteral("out/net.csv"))}));
         }},
        {"report md", QStringLiteral("out/report.md"), Kind::UserNamedInConfiguration,
         report("md")},
        {"report html", QStringLiteral("out/report.html"), Kind::UserNamedInConfiguration,
         report("html")},
        {"report pdf", QStringLiteral("out/report.pdf"), Kind::UserNamedInConfiguration,
         report("pdf")},
    };
}

void replaceBy(const QString& path, const std::function<bool(const QString&)>& make) {
    QFile::remove(path);
    ASSERT_TRUE(make(path)) << path.toStdString();
}

enum Failure { FileSizeLimit, ReadOnlyFolderFailure, Link, Fifo, ReadOnlyFile, OwnFile };

// One column of the table: every writer against `failure`.
void everyWriterAgainst(Failure failure) {
    const char* const failureNames[] = {"file-size limit", "read-only folder", "link", "FIFO",
                                        "read-only file",  "own file"};
    for (const WriterRow& writer : writers()) {
        {
            SCOPED_TRACE(std::string(writer.name) + " x " + failureNames[failure]);
            if (failure == OwnFile && writer.kind != Kind::UserNamedInConfiguration)
                continue;
            TestFolder program;
            TestFolder outside;
            arrangeWorkspace(program);
            const QString target = program.file(writer.target);
            const QString folder = QFileInfo(target).path();
            QString named = target; // what the message must name
            std::function<Outcome()> run = [&] { return writer.run(program); };

            switch (failure) {
            case FileSizeLimit:
                run = [&] {
                    const ChildResult child = runWithFileSizeLimit(64, [&](QString& text) {
                        const Outcome outcome = writer.run(program);
                        text = outcome.text;
                        return outcome.status;
                    });
                    EXPECT_TRUE(child.exited) << "died of signal " << -child.status;
                    EXPECT_TRUE(child.text.contains(QStringLiteral("File too large")))
                        << child.text.toStdString();
                    return Outcome{child.status, child.text};
                };
                break;
            case ReadOnlyFolderFailure:
                named = folder;
                break;
            case Link:
                if (writer.kind == Kind::Workspace) {
                    outside.write(QStringLiteral("victim"), "outside");
                    replaceBy(target, [&](const QString& path) {
                        return QFile::link(outside.file(QStringLiteral("victim")), path);
                    });
                } else if (writer.kind == Kind::UserNamedInConfiguration) {
                    // Followed, and so it reaches the network itself.
                    replaceBy(target, [&](const QString& path) {
                        return QFile::link(program.file(Config + QStringLiteral("/M_Bus.xml")),
                                           path);
                    });
                } else {
                    // Followed as a shell redirection would: covered apart, below.
                    continue;
                }
                break;
            case Fifo:
                replaceBy(target, makeFifo);
                break;
            case ReadOnlyFile:
                ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
                break;
            case OwnFile:
                named = program.file(Config + QStringLiteral("/M_Bus.xml"));
                run = [&] {
                    const QString output = named;
                    return fromCommand(
                        writer.name == std::string("export-csv")
                            ? runCommand(Cli::exportCsv, {program.file(Config), output})
                            : runCommand(Cli::report,
                                         {program.file(Config), QStringLiteral("--format"),
                                          QStringLiteral("md"), QStringLiteral("-o"), output}));
                };
                break;
            }

            std::unique_ptr<ReadOnlyFolder> readOnly;
            if (failure == ReadOnlyFolderFailure) {
                readOnly = std::make_unique<ReadOnlyFolder>(folder);
                if (!readOnly->refusesNewFiles())
                    continue; // neither trick works on this file system
            }
            const QStringList before = folderListing(program.path());
            const QStringList outsideBefore = folderListing(outside.path());
            const Outcome outcome = run();
            EXPECT_NE(outcome.status, 0) << outcome.text.toStdString();
            EXPECT_TRUE(outcome.text.contains(named)) << outcome.text.toStdString();
            EXPECT_FALSE(outcome.text.contains(QStringLiteral("Unknown error")));
            EXPECT_EQ(folderListing(program.path()), before);
            EXPECT_EQ(folderListing(outside.path()), outsideBefore);
        }
    }
}

bool straceWorks() {
    QProcess probe;
    probe.start(QStringLiteral("strace"),
                {QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("true")});
    return probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

struct FailedRun {
    int exitCode = -1;
    QString err;
};

// ordano-cli with `args` ({CONFIG}, {IN} and {OUT} stand for the folders of `program`), run
// under strace with every one of `calls` failing with EIO.
FailedRun runWithFailing(const QString& calls, const TestFolder& program, QStringList args) {
    QStringList traced{QStringLiteral("-f"),
                       QStringLiteral("-o"),
                       QStringLiteral("/dev/null"),
                       QStringLiteral("-e"),
                       QStringLiteral("trace=") + calls,
                       QStringLiteral("-e"),
                       QStringLiteral("inject=%1:error=EIO").arg(calls),
                       QString::fromUtf8(ORDANO_CLI)};
    for (QString& arg : args)
        traced << arg.replace(QStringLiteral("{CONFIG}"), program.file(Config))
                      .replace(QStringLiteral("{IN}"), program.file(QStringLiteral("in")))
                      .replace(QStringLiteral("{OUT}"), program.file(QStringLiteral("out")));
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral("strace"), traced);
    if (!cli.waitForFinished(50000))
        return {-1, QStringLiteral("ordano-cli did not end under strace")};
    return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardError())};
}

} // namespace

// The table, one column per test: each writer, each failure.
TEST(Writers, WriteFailingPartWay) {
    everyWriterAgainst(FileSizeLimit);
}

TEST(Writers, FolderThatTakesNoNewFile) {
    everyWriterAgainst(ReadOnlyFolderFailure);
}

TEST(Writers, SymbolicLink) {
    everyWriterAgainst(Link);
}

TEST(Writers, Fifo) {
    everyWriterAgainst(Fifo);
}

TEST(Writers, ReadOnlyFile) {
    everyWriterAgainst(ReadOnlyFile);
}

TEST(Writers, ConfigurationsOwnFileAsOutput) {
    everyWriterAgainst(OwnFile);
}

// The same writers, unhindered, replace their file and leave nothing else; a link the user
// names for a file outside the configuration is followed and stays a link.
TEST(Writers, UnhinderedWritesReplaceTheFile) {
    for (const WriterRow& writer : writers()) {
        SCOPED_TRACE(writer.name);
        TestFolder program;
        arrangeWorkspace(program);
        const QString target = program.file(writer.target);
        const QByteArray old = "stale";
        program.write(writer.target, old);
        TestFolder outside;
        if (writer.kind == Kind::UserNamed) {
            outside.write(QStringLiteral("English.lng"), "old output");
            replaceBy(target, [&](const QString& path) {
                return QFile::link(outside.file(QStringLiteral("English.lng")), path);
            });
        }
        QStringList before = QDir(QFileInfo(target).path())
                                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        // A compile also records what the images were compiled from.
        if (writer.target.endsWith(QStringLiteral("bank2.bin")))
            before << QLatin1String(ImageSources::RecordName);
        const Outcome outcome = writer.run(program);
        EXPECT_EQ(outcome.status, 0) << outcome.text.toStdString();
        EXPECT_NE(program.read(writer.target), old);
        EXPECT_EQ(QDir(QFileInfo(target).path())
                      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  before);
        if (writer.kind == Kind::UserNamed) {
            EXPECT_TRUE(QFileInfo(target).isSymLink());
            EXPECT_TRUE(outside.read(QStringLiteral("English.lng")).contains("STR0"));
        }
    }
}

// A sync that fails (the disk reports an error only then) is a failed write too: the program,
// run under strace with every fsync failing, says so and leaves everything as it was.
TEST(Writers, FailedSyncIsReported) {
    if (!straceWorks())
        GTEST_SKIP() << "strace cannot trace here";
    struct Row {
        const char* name;
        QStringList args; // {CONFIG} and {OUT} stand for the folders
        QString named;    // relative to the program folder
    };
    const Row rows[] = {
        {"compile", {"compile", "{CONFIG}"}, Config + QStringLiteral("/bin/bank.bin")},
        {"import-csv", {"import-csv", "{CONFIG}", "{IN}/net.csv"}, Config + "/M_Bus.xml"},
        {"export-csv", {"export-csv", "{CONFIG}", "{OUT}/net.csv"}, "out/net.csv"},
        {"report md",
         {"report", "{CONFIG}", "--format", "md", "-o", "{OUT}/report.md"},
         "out/report.md"},
        {"export-language", {"export-language", "{OUT}/English.lng"}, "out/English.lng"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestFolder program;
        arrangeWorkspace(program);
        const QStringList before = folderListing(program.path());
        const FailedRun run = runWithFailing(QStringLiteral("fsync"), program, row.args);
        const QString& err = run.err;
        EXPECT_EQ(run.exitCode, 1) << err.toStdString();
        EXPECT_TRUE(err.contains(program.file(row.named) + QStringLiteral(": Input/output error")))
            << err.toStdString();
        EXPECT_EQ(folderListing(program.path()), before);
    }
}

// The last step that fails, the rename (or exchange) that puts the new file in place: reported,
// the old file kept, and no temporary left beside it.
TEST(Writers, FailedRenameLeavesNoTemporary) {
    if (!straceWorks())
        GTEST_SKIP() << "strace cannot trace here";
    struct Row {
        const char* name;
        QStringList args; // {CONFIG}, {IN} and {OUT} stand for the folders
    };
    const Row rows[] = {
        {"compile", {"compile", "{CONFIG}"}},
        {"import-csv", {"import-csv", "{CONFIG}", "{IN}/net.csv"}},
        {"export-csv", {"export-csv", "{CONFIG}", "{OUT}/net.csv"}},
        {"report md", {"report", "{CONFIG}", "--format", "md", "-o", "{OUT}/report.md"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestFolder program;
        arrangeWorkspace(program);
        const QStringList before = folderListing(program.path());
        const FailedRun run =
            runWithFailing(QStringLiteral("rename,renameat,renameat2"), program, row.args);
        const QString& err = run.err;
        EXPECT_EQ(run.exitCode, 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("Input/output error"))) << err.toStdString();
        EXPECT_EQ(folderListing(program.path()), before);
    }
}

// An output named by bytes that are not UTF-8 is written under those bytes, whether it is new
// or replaces a file of that name; nothing is written under a replacement character.
TEST(Writers, OutputNamesKeepTheirBytes) {
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "replaces a file of that name" : "a new file");
        TestFolder program;
        arrangeWorkspace(program);
        const QByteArray name =
            QFile::encodeName(program.file(QStringLiteral("out"))) + "/net\xff.csv";
        if (existing) {
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, "old", 3), 3);
            ::close(fd);
        }
        const CapturedRun run =
            runCommand(Cli::exportCsv, {program.file(Config), Cli::argumentFromBytes(name)});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("/out/net\\xFF.csv"))) << run.out.toStdString();
        struct stat info {};
        ASSERT_EQ(::stat(name.constData(), &info), 0);
        EXPECT_GT(info.st_size, 100);
        EXPECT_FALSE(QFile::exists(program.file(QStringLiteral("out/net\ufffd.csv"))));
        ::unlink(name.constData()); // a name the temporary folder's own cleanup cannot spell
    }
}
