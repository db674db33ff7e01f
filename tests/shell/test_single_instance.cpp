// One running instance: the lock in-process, and the real program started twice.
#include "app/shell/instance_lock.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QProcessEnvironment ProgramEnvironment(const QString& runtimeDir, const QString& lang)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.insert(QStringLiteral("LANG"), lang);
    return env;
}

void StartProgram(QProcess& process, const QString& runtimeDir, const QString& lang)
{
    process.setProcessEnvironment(ProgramEnvironment(runtimeDir, lang));
    process.start(QStringLiteral(VEXILO_BINARY), {QStringLiteral("--settings"), runtimeDir});
    QVERIFY(process.waitForStarted(5000));
}

// The pid written in a lock file's first line.
qint64 LockOwner(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void secondLockFailsUntilTheFirstIsReleased()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Vexilo.lock"));
        auto pFirst = std::make_unique<CInstanceLock>(path);
        QVERIFY(pFirst->TryAcquire());
        CInstanceLock second(path);
        QVERIFY(!second.TryAcquire());
        pFirst.reset();
        QVERIFY(second.TryAcquire());
    }

    void lockOfADeadProcessIsTakenOver()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Vexilo.lock"));
        // A child takes the lock and dies without releasing it, as a crash would.
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            CInstanceLock lock(path);
            ::_exit(lock.TryAcquire() ? 0 : 1);
        }
        int nStatus = 0;
        QCOMPARE(::waitpid(child, &nStatus, 0), child);
        QVERIFY(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
        QVERIFY(QFile::exists(path));
        CInstanceLock lock(path);
        QVERIFY(lock.TryAcquire());
    }

    void withoutRuntimeFolderTheLockIsPerUser()
    {
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const QString path = CInstanceLock::DefaultPath();
        qputenv("XDG_RUNTIME_DIR", saved);
        QVERIFY2(path.endsWith(QStringLiteral("/Vexilo-%1.lock").arg(::getuid())), qPrintable(path));
    }

    // A logout (SIGTERM) or Ctrl+C (SIGINT) ends the program as its close box does:
    // without the Japanese confirmation question, with the settings written.
    void terminationSignalsCloseTheWindowAndSaveTheSettings()
    {
        for (const auto& [nSignal, lang] : {std::pair{SIGTERM, QStringLiteral("C.UTF-8")},
                                            std::pair{SIGINT, QStringLiteral("ja_JP.UTF-8")}}) {
            QTemporaryDir runtime;
            const QString lockPath = runtime.filePath(QStringLiteral("Vexilo.lock"));
            const QString settingsPath = runtime.filePath(QStringLiteral("Vexilo.ini"));
            QProcess program;
            StartProgram(program, runtime.path(), lang);
            QTRY_COMPARE_WITH_TIMEOUT(LockOwner(lockPath), program.processId(), 10000);
            QVERIFY(!QFile::exists(settingsPath));
            ::kill(static_cast<pid_t>(program.processId()), nSignal);
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            QVERIFY(QFile::exists(settingsPath));
        }
    }

    void secondProgramShowsTheMessageAndAKilledFirstDoesNotBlock()
    {
        QTemporaryDir runtime;
        const QString lockPath = runtime.filePath(QStringLiteral("Vexilo.lock"));

        QProcess first;
        StartProgram(first, runtime.path(), QStringLiteral("C.UTF-8"));
        QTRY_COMPARE_WITH_TIMEOUT(LockOwner(lockPath), first.processId(), 10000);

        // The second start tells, in the system's language, and ends waiting for OK.
        QProcess second;
        StartProgram(second, runtime.path(), QStringLiteral("ja_JP.UTF-8"));
        QByteArray errors;
        QTRY_VERIFY_WITH_TIMEOUT((errors += second.readAllStandardError()).contains(
                                     QStringLiteral("既に同系列のソフトが起動しているため起動できません").toUtf8()),
                                 10000);
        second.kill();
        second.waitForFinished(5000);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(LockOwner(lockPath), first.processId());

        // A crash of the first leaves its lock behind; the next start takes it over.
        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        QProcess third;
        StartProgram(third, runtime.path(), QStringLiteral("C.UTF-8"));
        QTRY_COMPARE_WITH_TIMEOUT(LockOwner(lockPath), third.processId(), 10000);
        QVERIFY(!third.readAllStandardError().contains("It has already startup"));
        third.kill();
        third.waitForFinished(5000);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
