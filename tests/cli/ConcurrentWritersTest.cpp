// Two ordano-cli processes writing one configuration at once (processes, not threads: the
// faults lay between them). Each round starts both together; afterwards both must have
// succeeded, nothing temporary may remain, and what the images claim about their source must
// be true: when they are the compile of the files as they are now they match, else the
// fingerprints say they do not.

#include "common/ConfigLock.h"
#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"
#include "core/image/ImageSources.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "core/network/NetworkCsv.h"
#include "support/TestFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Config = QStringLiteral("cfg");

// Rounds per race; ORDANO_RACE_ROUNDS raises them for a longer hunt.
int rounds() {
    bool ok = false;
    const int wanted = qEnvironmentVariableIntValue("ORDANO_RACE_ROUNDS", &ok);
    return ok && wanted > 0 ? wanted : 10;
}

struct Race {
    TestFolder folder;
    QString config;
    QString csvA; // the worked example's network
    QString csvB; // the same with its first node left out

    Race() {
        config = folder.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                                    Config + QStringLiteral("/M_Bus.xml"));
        config = QFileInfo(config).path();
        folder.copyFixture(QStringLiteral("image/worked_example/ParGen.xml"),
                           Config + QStringLiteral("/ParGen.xml"));
        const NetworkLoad network = loadNetwork(config + QStringLiteral("/M_Bus.xml"));
        Network smaller = network.nodes;
        smaller.removeFirst();
        csvA = folder.write(QStringLiteral("a.csv"),
                            NetworkCsv::exportNetwork(network.nodes, LanguageTable()));
        csvB = folder.write(QStringLiteral("b.csv"),
                            NetworkCsv::exportNetwork(smaller, LanguageTable()));
    }

    // Whatever lies in the configuration besides its own files and folders.
    QStringList leftovers() const {
        QStringList found;
        for (const QString& where : {config, config + QStringLiteral("/bin")})
            for (const QString& name :
                 QDir(where).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                if (!QStringList{"M_Bus.xml", "ParGen.xml", "bin", "bank.bin", "bank2.bin",
                                 ImageSources::RecordName}
                         .contains(name))
                    found << where + QLatin1Char('/') + name;
        return found;
    }

    // Whether the images' claim is true: matching exactly when they are the compile of the
    // files as they are now.
    QString judgedWrongly() const {
        const CompileResult now = compileBanksFromFiles(config + QStringLiteral("/M_Bus.xml"),
                                                        config + QStringLiteral("/ParGen.xml"));
        QFile bank(bankPath(config));
        QFile bank2(bank2Path(config));
        if (!now.ok() || !bank.open(QIODevice::ReadOnly) || !bank2.open(QIODevice::ReadOnly))
            return QStringLiteral("files unreadable");
        const bool compiledFromNow =
            bank.readAll() == now.banks.bank && bank2.readAll() == now.banks.bank2;
        const ImageSources::Verdict verdict = ImageSources::judgeConfiguration(config);
        if (verdict.matches() != compiledFromNow)
            return compiledFromNow ? QStringLiteral("current images not taken as matching")
                                   : QStringLiteral("old images taken as matching");
        return {};
    }
};

QProcess* start(const QStringList& args, const QString& program = QString::fromUtf8(ORDANO_CLI)) {
    auto* process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    process->setProcessEnvironment(environment);
    process->start(program, args);
    return process;
}

QString finish(QProcess* process) {
    QString failure;
    if (!process->waitForFinished(60000))
        failure = QStringLiteral("did not end");
    else if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)
        failure = QStringLiteral("exit %1: %2")
                      .arg(process->exitCode())
                      .arg(QString::fromUtf8(process->readAllStandardError()));
    delete process;
    return failure;
}

// Runs `rounds()` rounds of the two command lines side by side; returns the rounds that ended
// wrong, each with why.
QStringList runRace(Race& race, const std::function<QStringList(int)>& first,
                    const std::function<QStringList(int)>& second) {
    QStringList wrong;
    for (int round = 0; round < rounds(); ++round) {
        QProcess* a = start(first(round));
        QProcess* b = start(second(round));
        const QString failedA = finish(a);
        const QString failedB = finish(b);
        QStringList why;
        if (!failedA.isEmpty())
            why << QStringLiteral("first ") + failedA;
        if (!failedB.isEmpty())
            why << QStringLiteral("second ") + failedB;
        if (!race.leftovers().isEmpty())
            why << QStringLiteral("left: ") + race.leftovers().join(QStringLiteral(", "));
        if (QFileInfo::exists(bankPath(race.config)))
            if (const QString lie = race.judgedWrongly(); !lie.isEmpty())
                why << lie;
        if (!why.isEmpty())
            wrong << QStringLiteral("round %1: %2").arg(round).arg(why.join(QStringLiteral("; ")));
    }
    return wrong;
}

} // namespace

TEST(ConcurrentWriters, ImportBesideImport) {
    Race race;
    const QStringList wrong = runRace(
        race,
        [&](int round) {
            return QStringList{QStringLiteral("import-csv"), race.config,
                               round % 2 ? race.csvA : race.csvB};
        },
        [&](int round) {
            return QStringList{QStringLiteral("import-csv"), race.config,
                               round % 2 ? race.csvB : race.csvA};
        });
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
}

TEST(ConcurrentWriters, ImportBesideCompile) {
    Race race;
    const QStringList wrong = runRace(
        race,
        [&](int) {
            return QStringList{QStringLiteral("compile"), race.config};
        },
        [&](int round) {
            return QStringList{QStringLiteral("import-csv"), race.config,
                               round % 2 ? race.csvA : race.csvB};
        });
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
}

TEST(ConcurrentWriters, CompileBesideCompile) {
    Race race;
    const QStringList wrong = runRace(
        race,
        [&](int) {
            return QStringList{QStringLiteral("compile"), race.config};
        },
        [&](int) {
            return QStringList{QStringLiteral("compile"), race.config};
        });
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
}

// A writer that finds the lock held waits a short while, then says who holds it and changes
// nothing; a lock whose process is gone is taken over.
TEST(ConcurrentWriters, HeldLockNamesItsHolderAndStaleLockIsTakenOver) {
    Race race;
    const QByteArray before = race.folder.read(Config + QStringLiteral("/M_Bus.xml"));
    {
        const ConfigLock held(race.config);
        ASSERT_TRUE(held.ok());
        QProcess* import = start({QStringLiteral("import-csv"), race.config, race.csvB});
        ASSERT_TRUE(import->waitForFinished(60000));
        const QString err = QString::fromUtf8(import->readAllStandardError());
        EXPECT_EQ(import->exitCode(), 1) << err.toStdString();
        EXPECT_TRUE(
            err.contains(QStringLiteral("(process %1)").arg(QCoreApplication::applicationPid())))
            << err.toStdString();
        EXPECT_TRUE(err.contains(QDir::toNativeSeparators(race.config))) << err.toStdString();
        delete import;
        EXPECT_EQ(race.folder.read(Config + QStringLiteral("/M_Bus.xml")), before);
    }
    EXPECT_FALSE(
        QFileInfo::exists(race.config + QLatin1Char('/') + QLatin1String(ConfigLock::FileName)));

    // The lock of a process that has ended, as QLockFile writes it.
    const pid_t deadPid = ::fork();
    if (deadPid == 0)
        ::_exit(0);
    ASSERT_GT(deadPid, 0);
    ASSERT_EQ(::waitpid(deadPid, nullptr, 0), deadPid);
    race.folder.write(Config + QLatin1Char('/') + QLatin1String(ConfigLock::FileName),
                      QByteArray::number(deadPid) + "\nordano\n" +
                          QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_EQ(finish(start({QStringLiteral("import-csv"), race.config, race.csvB})), QString());
    EXPECT_NE(race.folder.read(Config + QStringLiteral("/M_Bus.xml")), before);
}

// A lock file that names nobody: a live writer locks it from the moment it makes it, so one it
// holds is waited for, and one a writer killed before it could write it is taken at once.
TEST(ConcurrentWriters, LockFileThatNamesNobody) {
    Race race;
    const QString lockPath = race.config + QLatin1Char('/') + QLatin1String(ConfigLock::FileName);
    race.folder.write(Config + QLatin1Char('/') + QLatin1String(ConfigLock::FileName), "");
    const QByteArray before = race.folder.read(Config + QStringLiteral("/M_Bus.xml"));
    {
        QFile writer(lockPath);
        ASSERT_TRUE(writer.open(QIODevice::ReadOnly));
        ASSERT_EQ(::flock(writer.handle(), LOCK_EX | LOCK_NB), 0);
        QProcess* import = start({QStringLiteral("import-csv"), race.config, race.csvB});
        ASSERT_TRUE(import->waitForFinished(60000));
        EXPECT_EQ(import->exitCode(), 1);
        EXPECT_TRUE(QString::fromUtf8(import->readAllStandardError())
                        .contains(QStringLiteral("is being changed by another program")));
        delete import;
        EXPECT_EQ(race.folder.read(Config + QStringLiteral("/M_Bus.xml")), before);
    }
    // Made just now, and nobody holds it: taken at once, where waiting would refuse.
    race.folder.write(Config + QLatin1Char('/') + QLatin1String(ConfigLock::FileName), "");
    EXPECT_EQ(finish(start({QStringLiteral("import-csv"), race.config, race.csvB})), QString());
    EXPECT_NE(race.folder.read(Config + QStringLiteral("/M_Bus.xml")), before);
}

// A writer's clean-up never removes the temporary of a writer beside it. The first writer is
// held (by strace) between making its temporary and locking it, the moment a clean-up could
// take the temporary for one a killed writer left; the second writes the same file then. Both
// must succeed, the file must be whole, and no temporary may stay.
TEST(ConcurrentWriters, ACleanUpNeverRemovesALiveTemporary) {
    QProcess probe;
    probe.start(QStringLiteral("strace"),
                {QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("true")});
    if (!probe.waitForFinished(20000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        GTEST_SKIP() << "strace cannot trace here";
    Race race;
    const QString output = race.folder.file(QStringLiteral("out.csv"));
    QProcess* held =
        start({QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
               QStringLiteral("-e"), QStringLiteral("trace=flock"), QStringLiteral("-e"),
               QStringLiteral("inject=flock:delay_enter=2000000:when=1"),
               QString::fromUtf8(ORDANO_CLI), QStringLiteral("export-csv"), race.config, output},
              QStringLiteral("strace"));
    // Its temporary is there, not locked yet.
    QElapsedTimer waited;
    waited.start();
    QStringList temporaries;
    while (temporaries.isEmpty() && waited.elapsed() < 30000 &&
           held->state() != QProcess::NotRunning) {
        temporaries =
            QDir(race.folder.path())
                .entryList({QStringLiteral(".out.csv-*.tmp")}, QDir::Files | QDir::Hidden);
        if (temporaries.isEmpty())
            held->waitForFinished(5);
    }
    ASSERT_FALSE(temporaries.isEmpty()) << "the held writer made no temporary";
    EXPECT_EQ(finish(start({QStringLiteral("export-csv"), race.config, output})), QString());
    EXPECT_EQ(finish(held), QString());
    EXPECT_EQ(race.folder.read(QStringLiteral("out.csv")),
              race.folder.read(QStringLiteral("a.csv")));
    EXPECT_TRUE(QDir(race.folder.path())
                    .entryList({QStringLiteral(".out.csv-*.tmp")}, QDir::Files | QDir::Hidden)
                    .isEmpty());
}
