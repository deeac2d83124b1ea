// Hostile and unlucky inputs for the readers behind the commands: files far beyond any real
// size, a description of megabytes, language files that are no regular files, and folder
// names that are not valid UTF-8.
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "common/BoundedFile.h"
#include "core/lang/LanguageTable.h"

#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file of `size` bytes that takes no room on disk.
QString sparseFile(const TestFolder& folder, const QString& name, qint64 size) {
    const QString path = folder.write(name, QByteArray());
    QFile file(path);
    EXPECT_TRUE(file.resize(size));
    return path;
}

} // namespace

// `check` refuses what the compiler refuses, with the compiler's message, before reading.
TEST(Readers, CheckAndCompileShareTheSizeLimit) {
    const qint64 over = BoundedFile::ConfigFile.bytes + 1;
    struct Row {
        const char* command;
        CliCommand run;
        int status;
    };
    const Row commands[] = {{"compile", Cli::compile, 1}, {"check", Cli::check, 2}};
    for (const char* file : {"M_Bus.xml", "ParGen.xml"}) {
        for (const Row& command : commands) {
            SCOPED_TRACE(std::string(command.command) + " " + file);
            TestFolder folder;
            sparseFile(folder, QString::fromLatin1(file), over);
            const CapturedRun r = runCommand(command.run, {folder.path()});
            EXPECT_EQ(r.status, command.status);
            EXPECT_TRUE(r.err.contains(
                BoundedFile::tooLarge(QString::fromLatin1(file), over, BoundedFile::ConfigFile)))
                << r.err.toStdString();
            EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("bin/bank.bin"))));
        }
    }
}

// A configuration file replaced by a FIFO is refused at once by every reader, never waited on.
TEST(Readers, ConfigurationFilesThatAreFifosAreRefused) {
    struct Row {
        const char* command;
        CliCommand run;
        int status;
    };
    const Row commands[] = {
        {"compile", Cli::compile, 1}, {"check", Cli::check, 2}, {"export-csv", nullptr, 1}};
    for (const char* file : {"M_Bus.xml", "ParGen.xml"}) {
        for (const Row& command : commands) {
            if (!command.run && QLatin1String(file) != QLatin1String("M_Bus.xml"))
                continue; // export-csv reads the network only
            SCOPED_TRACE(std::string(command.command) + " " + file);
            TestFolder folder;
            const QString path = folder.file(QString::fromLatin1(file));
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            const CapturedRun r =
                command.run ? runCommand(command.run, {folder.path()})
                            : runCommand(Cli::exportCsv,
                                         {folder.path(), folder.file(QStringLiteral("n.csv"))});
            EXPECT_EQ(r.status, command.status);
            EXPECT_TRUE(r.err.contains(QLatin1String("not a regular file"))) << r.err.toStdString();
        }
    }
}

// A finding quotes only the start of a stored text, as the compiler's messages do.
TEST(Readers, CheckQuotesOnlyTheStartOfATextValue) {
    const QString longText = QString(5000, QLatin1Char('d'));
    const QString start = QString(40, QLatin1Char('d'));
    struct Row {
        const char* file;
        QByteArray content;
        QString location; // what the line starts with
    };
    const Row rows[] = {
        {"M_Bus.xml",
         "<M_Bus><Nodo ID=\"1\" Sec_Add=\"0\"><Var Enable=\"1\" Desc=\"" + longText.toUtf8() +
             "\" Type=\"0\" Fun_Field=\"0\" Dim=\"2\" Scale=\"3\" Mod_ID=\"0\"/></Nodo></M_Bus>",
         "M_Bus.xml: node 1 (primary 1), variable 1 \"" + start + "...\": "},
        {"ParGen.xml", "<Par_Gen><Mod_TO>" + QByteArray(5000, '9') + "</Mod_TO></Par_Gen>",
         "ParGen.xml: Mod_TO \"" + QString(40, QLatin1Char('9')) + "...\": "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        TestFolder folder;
        folder.write(QString::fromLatin1(row.file), row.content);
        const CapturedRun r = runCommand(Cli::check, {folder.path()});
        EXPECT_EQ(r.status, 1) << r.err.toStdString();
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        qsizetype quoting = 0;
        for (const QString& line : lines) {
            EXPECT_LT(line.size(), 300) << line.left(300).toStdString();
            quoting += line.startsWith(row.location);
        }
        EXPECT_GE(quoting, 1) << r.out.left(1000).toStdString();
    }
}

// Only a regular file of sensible size is read as a language file; what is refused is said,
// and a FIFO or a device never keeps the command waiting or exhausts its memory.
TEST(Readers, LanguageFilesOnlyRegularAndBounded) {
    struct Row {
        const char* why;
        std::function<QString(const TestFolder&)> make;
        const char* reason;
    };
    const Row rows[] = {
        {"FIFO",
         [](const TestFolder& f) {
             const QString path = f.file(QStringLiteral("Fifo.lng"));
             EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
             return path;
         },
         "not a regular file"},
        {"endless device", [](const TestFolder&) { return QStringLiteral("/dev/zero"); },
         "not a regular file"},
        {"folder",
         [](const TestFolder& f) {
             QDir().mkpath(f.file(QStringLiteral("Folder.lng")));
             return f.file(QStringLiteral("Folder.lng"));
         },
         "not a regular file"},
        {"far too large",
         [](const TestFolder& f) {
             return sparseFile(f, QStringLiteral("Huge.lng"), BoundedFile::LanguageFile.bytes + 1);
         },
         "far more than a language file can hold"},
        {"missing", [](const TestFolder& f) { return f.file(QStringLiteral("Missing.lng")); },
         "No such file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TestFolder folder;
        const QString path = row.make(folder);
        const CapturedRun r = runCommand(Cli::exportLanguage, {QStringLiteral("--over"), path,
                                                               folder.file(QStringLiteral("out"))});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QLatin1String(row.reason))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("out"))));

        // The program itself keeps its English texts and goes on.
        LanguageTable table;
        table.setText(0, QStringLiteral("changed"));
        QString language = QFileInfo(path).completeBaseName();
        const QString refused = loadLanguage(table, language, QFileInfo(path).path());
        if (QFileInfo(path).suffix() == QStringLiteral("lng") && QFileInfo::exists(path)) {
            EXPECT_TRUE(refused.contains(QLatin1String(row.reason))) << refused.toStdString();
        }
        EXPECT_EQ(table.text(0), defaultLangText(0));
    }
}

// A folder whose name is not valid UTF-8 is still that folder: compile and check find it.
TEST(Readers, FolderArgumentsAreTakenByTheirBytes) {
    TestFolder folder;
    const QByteArray name = QFile::encodeName(folder.path()) + "/Impianto \xff\xfe\xe9";
    ASSERT_EQ(::mkdir(name.constData(), 0700), 0);
    for (const char* file : {"M_Bus.xml", "ParGen.xml"}) {
        const QByteArray fixture =
            readFixture(QStringLiteral("image/worked_example/") + QString::fromLatin1(file));
        const int fd = ::open((name + '/' + file).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, fixture.constData(), size_t(fixture.size())), fixture.size());
        ::close(fd);
    }
    const QString argument = Cli::argumentFromBytes(name);
    const CapturedRun checked = runCommand(Cli::check, {argument});
    EXPECT_EQ(checked.status, 0) << checked.err.toStdString();
    const CapturedRun compiled = runCommand(Cli::compile, {argument});
    EXPECT_EQ(compiled.status, 0) << compiled.err.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat((name + "/bin/bank.bin").constData(), &info), 0);
    EXPECT_EQ(info.st_size, 55);
    ASSERT_EQ(::stat((name + "/bin/bank2.bin").constData(), &info), 0);
    EXPECT_EQ(info.st_size, 2048);

    // Qt cannot name the folder either, so it goes by its bytes too.
    std::error_code removed;
    std::filesystem::remove_all(std::filesystem::path(name.toStdString()), removed);
    EXPECT_FALSE(removed) << removed.message();

    // Valid names stay as they are.
    EXPECT_EQ(Cli::argumentFromBytes("Plant A"), QStringLiteral("Plant A"));
    EXPECT_EQ(Cli::argumentFromBytes("Impianto \xc3\xa9"), QStringLiteral("Impianto é"));
}

// A spreadsheet or an image that is a FIFO, a device or a link to one is refused at once with
// the reason; nothing waits for a writer or reads without end.
TEST(Readers, ImportAndDumpRefuseWhatIsNoRegularFile) {
    struct Row {
        const char* why;
        std::function<QString(const TestFolder&)> make;
        const char* reason;
    };
    const Row rows[] = {
        {"FIFO",
         [](const TestFolder& f) {
             const QString path = f.file(QStringLiteral("pipe"));
             EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
             return path;
         },
         "not a regular file"},
        {"link to an endless device",
         [](const TestFolder& f) {
             const QString path = f.file(QStringLiteral("zero"));
             EXPECT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
             return path;
         },
         "not a regular file"},
        {"far too large",
         [](const TestFolder& f) {
             return sparseFile(f, QStringLiteral("huge"), BoundedFile::ConfigFile.bytes);
         },
         "bytes is far more than"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TestFolder folder;
        const QString path = row.make(folder);
        const CapturedRun imported = runCommand(Cli::importCsv, {folder.path(), path});
        EXPECT_EQ(imported.status, 1);
        EXPECT_TRUE(
            imported.err.startsWith(QStringLiteral("import-csv: ") + path + QStringLiteral(": ")));
        EXPECT_TRUE(imported.err.contains(QLatin1String(row.reason))) << imported.err.toStdString();
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("M_Bus.xml"))));
        const CapturedRun dumped = runCommand(Cli::dump, {path});
        EXPECT_EQ(dumped.status, 1);
        EXPECT_TRUE(dumped.err.startsWith(QStringLiteral("dump: ") + path + QStringLiteral(": ")));
        EXPECT_TRUE(dumped.err.contains(QLatin1String(row.reason))) << dumped.err.toStdString();
    }
}
