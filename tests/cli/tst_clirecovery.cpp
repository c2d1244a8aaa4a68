#include "testmain.h"

#include "engine/testmount.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

const QByteArray numbered =
    R"([{"mode":"sequence","sequenceBaseName":"photo","sequencePadding":5}])";

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QByteArray said() const { return out + err; } // for a failure message
};

int modeOf(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

// What brisklet-cli leaves to take a batch back, when it is killed, when the disk is full,
// and who may read it.
class CliRecoveryTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_folder;
    QString m_stateHome;

    QString path(const QString &name) const { return m_folder + u'/' + name; }

    void create(const QString &name, const QByteArray &content = {})
    {
        QFile file(path(name));
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::NewOnly), qPrintable(name));
        file.write(content);
    }

    QStringList listing() const
    {
        return QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                                        QDir::Name);
    }

    void start(QProcess &process, const QStringList &arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        environment.insert(u"XDG_STATE_HOME"_qs, m_stateHome);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_folder);
        process.start(QStringLiteral(BRISKLET_CLI), arguments);
    }

    Run run(const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcess process;
        start(process, arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(300000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QString writeStack(const QByteArray &text) const
    {
        const QString file = m_home.filePath(u"stack.json"_qs);
        QFile stack(file);
        if (stack.open(QIODevice::WriteOnly | QIODevice::Truncate))
            stack.write(text);
        return file;
    }

    QStringList undoFiles() const
    {
        return QDir(m_stateHome + u"/brisklet/undo"_qs).entryList(QDir::Files | QDir::Hidden);
    }

private Q_SLOTS:
    void init()
    {
        static int count = 0;
        ++count;
        m_folder = m_home.filePath(QStringLiteral("files%1").arg(count));
        m_stateHome = m_home.filePath(QStringLiteral("state%1").arg(count));
        QVERIFY(QDir().mkpath(m_folder));
        // What the files say about the user's files must not follow the usual umask.
        ::umask(022);
    }

    // Killed in the middle of a large batch, the command leaves an undo file that takes back
    // exactly what moved, and no one but the user can read it.
    void killedApplyIsReverted()
    {
        constexpr int count = 20000;
        QByteArray input;
        for (int i = 0; i < count; ++i) {
            const QString name = u"IMG %1.JPG"_qs.arg(i);
            create(name, QByteArray::number(i));
            input += QFile::encodeName(name) + '\0';
        }
        const QStringList before = listing();
        QProcess apply;
        start(apply, {u"-0"_qs, u"--stack"_qs, writeStack(numbered), u"--apply"_qs});
        QVERIFY(apply.waitForStarted());
        apply.write(input);
        while (apply.bytesToWrite() > 0 && apply.waitForBytesWritten(30000)) {
        }
        apply.closeWriteChannel();
        // Killed once a quarter of the moves are made, while the batch runs.
        const QByteArray watched = QFile::encodeName(path(u"photo - 05000.JPG"_qs));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        struct stat info;
        while (::stat(watched.constData(), &info) != 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        apply.kill(); // SIGKILL
        QVERIFY(apply.waitForFinished());
        QCOMPARE(apply.exitStatus(), QProcess::CrashExit);

        const QStringList killed = listing();
        const qsizetype moved = killed.filter(u"photo - "_qs).size();
        QVERIFY2(moved >= 5000 && moved < count, qPrintable(QString::number(moved)));
        QCOMPARE(killed.size(), count);

        const QStringList undo = undoFiles();
        QCOMPARE(undo.size(), 1);
        const QString undoFile = m_stateHome + u"/brisklet/undo/"_qs + undo.first();
        QCOMPARE(modeOf(m_stateHome + u"/brisklet"_qs), 0700);
        QCOMPARE(modeOf(m_stateHome + u"/brisklet/undo"_qs), 0700);
        QCOMPARE(modeOf(undoFile), 0600);

        const Run reverted = run({u"--revert"_qs, undoFile});
        QVERIFY2(reverted.status == 0, reverted.said().constData());
        QVERIFY2(
            reverted.out.contains(QStringLiteral("Reverted %1 of %1 renames.").arg(moved).toUtf8()),
            reverted.said().constData());
        QCOMPARE(listing(), before);
        for (int i = 0; i < count; i += 997) {
            QFile file(path(u"IMG %1.JPG"_qs.arg(i)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray::number(i));
        }
    }

    // An undo file cut short is taken back as far as it goes.
    void cutShortUndoFile()
    {
        QStringList names;
        for (int i = 0; i < 4; ++i) {
            names.append(u"IMG %1.JPG"_qs.arg(i));
            create(names.last());
        }
        const QString undoFile = m_home.filePath(u"cut.json"_qs);
        const Run applied = run(QStringList{u"--stack"_qs, writeStack(numbered), u"--apply"_qs,
                                            u"--undo-file"_qs, undoFile} +
                                names);
        QVERIFY2(applied.status == 0, applied.said().constData());
        QCOMPARE(modeOf(undoFile), 0600);
        QFile file(undoFile);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray bytes = file.readAll();
        // In the middle of the third entry's line.
        const qsizetype third = bytes.indexOf("photo - 00003");
        QVERIFY(third > 0);
        QVERIFY(file.resize(third));
        file.close();

        const Run reverted = run({u"--revert"_qs, undoFile});
        QVERIFY2(reverted.status == 0, reverted.said().constData());
        QVERIFY2(reverted.err.contains("cut short"), reverted.said().constData());
        QCOMPARE(listing(), (QStringList{u"IMG 0.JPG"_qs, u"IMG 1.JPG"_qs, u"photo - 00003.JPG"_qs,
                                         u"photo - 00004.JPG"_qs}));
    }

    // Without its recovery record a batch does not start, and says why.
    void noBatchWithoutRecoveryRecord_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("undoFileElsewhere");
        QTest::addColumn<QByteArray>("said");

        const int full = int(TestMount::Kind::fullTmpfs);
        const int readOnly = int(TestMount::Kind::readOnlyTmpfs);
        QTest::newRow("full, --undo-file elsewhere")
            << full << true
            << QByteArray("Could not write the recovery record in %1/brisklet: No space left on "
                          "device. Nothing was renamed.");
        QTest::newRow("read-only, --undo-file elsewhere")
            << readOnly << true
            << QByteArray("Could not write the recovery record in %1/brisklet: Read-only file "
                          "system. Nothing was renamed.");
        QTest::newRow("full") << full << false
                              << QByteArray("Could not write the undo file “%1/brisklet/undo/");
        QTest::newRow("read-only")
            << readOnly << false
            << QByteArray("cannot create the folder “%1/brisklet/undo”: read-only file system");
    }

    void noBatchWithoutRecoveryRecord()
    {
        QFETCH(int, kind);
        QFETCH(bool, undoFileElsewhere);
        QFETCH(QByteArray, said);

        QTemporaryDir where;
        TestMount::Mount mount;
        if (const QString problem = mount.mount(TestMount::Kind(kind), where.path());
            !problem.isEmpty())
            QSKIP(qPrintable(u"Cannot mount a tmpfs: "_qs + problem));
        if (TestMount::Kind(kind) == TestMount::Kind::fullTmpfs)
            QVERIFY(mount.fill());
        m_stateHome = mount.mountPoint;
        create(u"IMG 1.JPG"_qs);
        QStringList arguments{u"--stack"_qs, writeStack(numbered), u"--apply"_qs};
        const QString undoFile = m_folder + u".json"_qs;
        if (undoFileElsewhere)
            arguments << u"--undo-file"_qs << undoFile;
        const Run result = run(arguments << u"IMG 1.JPG"_qs);

        QVERIFY2(result.status == 2, result.said().constData());
        QVERIFY2(result.err.contains(QString::fromUtf8(said).arg(mount.mountPoint).toUtf8()),
                 result.said().constData());
        QCOMPARE(listing(), QStringList{u"IMG 1.JPG"_qs});
        QVERIFY(!QFile::exists(undoFile));
        QVERIFY(undoFiles().isEmpty());
    }

    // A state folder of ours made readable by others before is made private again.
    void widerStateFolderIsTightened()
    {
        QVERIFY(QDir().mkpath(m_stateHome + u"/brisklet/undo"_qs));
        for (const QString &folder : {u"/brisklet"_qs, u"/brisklet/undo"_qs})
            QVERIFY(::chmod(QFile::encodeName(m_stateHome + folder).constData(), 0755) == 0);
        create(u"IMG 1.JPG"_qs);
        const Run result =
            run({u"--stack"_qs, writeStack(numbered), u"--apply"_qs, u"IMG 1.JPG"_qs});
        QVERIFY2(result.status == 0, result.said().constData());
        QCOMPARE(modeOf(m_stateHome + u"/brisklet"_qs), 0700);
        QCOMPARE(modeOf(m_stateHome + u"/brisklet/undo"_qs), 0700);
        QCOMPARE(undoFiles().size(), 1);
        QCOMPARE(modeOf(m_stateHome + u"/brisklet/undo/"_qs + undoFiles().constFirst()), 0600);
    }
};

BRISKLET_TEST(CliRecoveryTest)
#include "tst_clirecovery.moc"
