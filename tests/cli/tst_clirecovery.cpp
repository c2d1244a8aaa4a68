#include "testmain.h"

#include "clitest.h"
#include "engine/testmount.h"

#include <chrono>
#include <thread>

using namespace CliTest;

namespace {

const QByteArray numbered =
    R"([{"mode":"sequence","sequenceBaseName":"photo","sequencePadding":5}])";

} // namespace

// What brisklet-cli leaves to take a batch back, when it is killed, when the disk is full,
// and who may read it.
class CliRecoveryTest : public QObject {
    Q_OBJECT

private:
    Home m_home;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.next());
        // What the files say about the user's files must not follow the usual umask.
        ::umask(022);
    }

    // Killed in the middle of a large batch, the command leaves an undo file that takes back
    // exactly what moved, and no one but the user can read it, also where the state folder
    // was made readable by others before.
    void killedApplyIsReverted()
    {
        const QString state = m_home.stateHome + u"/brisklet"_qs;
        QVERIFY(QDir().mkpath(state) && ::chmod(QFile::encodeName(state).constData(), 0755) == 0);
        constexpr int count = 20000;
        QByteArray input;
        for (int i = 0; i < count; ++i) {
            const QByteArray name = "IMG " + QByteArray::number(i) + ".JPG";
            QVERIFY(m_home.create(name, QByteArray::number(i)));
            input += name + '\0';
        }
        const QByteArray before = m_home.listing();
        QProcess apply;
        m_home.start(apply, {u"-0"_qs, u"--stack"_qs, m_home.writeStack(numbered), u"--apply"_qs});
        apply.write(input);
        while (apply.bytesToWrite() > 0 && apply.waitForBytesWritten(30000)) {
        }
        apply.closeWriteChannel();
        // Killed once a quarter of the moves are made, while the batch runs.
        const QByteArray watched = m_home.path("photo - 05000.JPG");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (::access(watched.constData(), F_OK) != 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        apply.kill(); // SIGKILL
        QVERIFY(apply.waitForFinished() && apply.exitStatus() == QProcess::CrashExit);
        const qsizetype moved = m_home.listing().count("photo - ");
        QVERIFY2(moved >= 5000 && moved < count, qPrintable(QString::number(moved)));

        QCOMPARE(m_home.undoFiles().size(), 1);
        const QString undoFile = state + u"/undo/"_qs + m_home.undoFiles().constFirst();
        QCOMPARE(modeOf(state), 0700);
        QCOMPARE(modeOf(state + u"/undo"_qs), 0700);
        QCOMPARE(modeOf(undoFile), 0600);
        const Run reverted = m_home.run({u"--revert"_qs, undoFile});
        QVERIFY2(reverted.out.contains(u"Reverted %1 of %1 renames."_qs.arg(moved).toUtf8()),
                 reverted.said().constData());
        QCOMPARE(m_home.listing(), before);
        for (int i = 0; i < count; i += 997) {
            QFile file(QFile::decodeName(m_home.path("IMG " + QByteArray::number(i) + ".JPG")));
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == QByteArray::number(i));
        }
    }

    // An undo file cut short is taken back as far as it goes.
    void cutShortUndoFile()
    {
        const QString undo = m_home.folder + u".json"_qs;
        const QStringList files{u"IMG 0.JPG"_qs, u"IMG 1.JPG"_qs, u"IMG 2.JPG"_qs, u"IMG 3.JPG"_qs};
        for (const QString &name : files)
            QVERIFY(m_home.create(name.toUtf8()));
        QCOMPARE(m_home
                     .run(QStringList{u"--stack"_qs, m_home.writeStack(numbered), u"--apply"_qs,
                                      u"--undo-file"_qs, undo} +
                          files)
                     .status,
                 0);
        QFile file(undo);
        // In the middle of the third entry's line.
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.resize(file.readAll().indexOf("photo - 00003")));
        file.close();

        const Run reverted = m_home.run({u"--revert"_qs, undo});
        QVERIFY2(reverted.status == 0 && reverted.err.contains("cut short"),
                 reverted.said().constData());
        QCOMPARE(m_home.listing(),
                 QByteArray("IMG 0.JPG|IMG 1.JPG|photo - 00003.JPG|photo - 00004.JPG"));
    }

    // Without its recovery record or its undo file a batch does not start, and says why.
    void noBatchWithoutRecoveryRecord_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("undoFileElsewhere");
        QTest::addColumn<QByteArray>("said");

        QTest::newRow("full, --undo-file elsewhere")
            << false << true
            << QByteArray("Could not write the recovery record in %1/brisklet: No space left on "
                          "device. Nothing was renamed.");
        QTest::newRow("full") << false << false
                              << QByteArray("Could not write the undo file “%1/brisklet/undo/");
        QTest::newRow("read-only")
            << true << false
            << QByteArray("cannot create the folder “%1/brisklet/undo”: read-only file system");
    }

    void noBatchWithoutRecoveryRecord()
    {
        QFETCH(bool, readOnly);
        QFETCH(bool, undoFileElsewhere);
        QFETCH(QByteArray, said);

        QTemporaryDir where;
        TestMount::Mount mount;
        if (const QString problem = mount.mountUnwritable(readOnly, where.path());
            !problem.isEmpty())
            QSKIP(qPrintable(problem));
        m_home.stateHome = mount.mountPoint;
        QVERIFY(m_home.create("IMG 1.JPG"));
        const QString undoFile = m_home.folder + u".json"_qs;
        const Run result = m_home.run(
            QStringList{u"--stack"_qs, m_home.writeStack(numbered), u"--apply"_qs,
                        u"IMG 1.JPG"_qs} +
            (undoFileElsewhere ? QStringList{u"--undo-file"_qs, undoFile} : QStringList()));

        QVERIFY2(result.status == 2 &&
                     result.err.contains(QString::fromUtf8(said).arg(mount.mountPoint).toUtf8()),
                 result.said().constData());
        QCOMPARE(m_home.listing(), QByteArray("IMG 1.JPG"));
        QVERIFY(!QFile::exists(undoFile) && m_home.undoFiles().isEmpty());
    }
};

BRISKLET_TEST(CliRecoveryTest)
#include "tst_clirecovery.moc"
