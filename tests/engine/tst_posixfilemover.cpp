#include "testregistry.h"

#include "enginetesthelpers.h"
#include "posixfilemover.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <memory>

using namespace EngineTest;

namespace {

QString findTool(const QStringList &names)
{
    for (const QString &name : names) {
        QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            path = QStandardPaths::findExecutable(name, {u"/usr/sbin"_qs, u"/sbin"_qs});
        if (!path.isEmpty())
            return path;
    }
    return {};
}

// Runs a tool briefly; an empty result means it succeeded, otherwise it says why not.
QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return {};
    return program + u" failed: "_qs + QString::fromLocal8Bit(process.readAll()).simplified();
}

// A small FAT image mounted through fusefat: a case-insensitive, case-preserving file
// system without RENAME_NOREPLACE, with a separate inode number for every spelling.
class FatMount {
public:
    ~FatMount() { unmount(); }

    // An empty result means the mount is ready.
    QString mount(const QString &folder)
    {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return u"/dev/fuse is missing or not usable here"_qs;
        const QString fusefat = findTool({u"fusefat"_qs});
        const QString mkfs = findTool({u"mkfs.vfat"_qs});
        m_unmounter = findTool({u"fusermount3"_qs, u"fusermount"_qs});
        if (fusefat.isEmpty() || mkfs.isEmpty() || m_unmounter.isEmpty())
            return u"fusefat, mkfs.vfat or fusermount is not installed"_qs;
        const QString image = folder + u"/fat.img"_qs;
        mountPoint = folder + u"/mnt"_qs;
        if (!QDir().mkpath(mountPoint))
            return u"cannot create the mount point"_qs;
        QString error = runTool(mkfs, {u"-C"_qs, image, u"1024"_qs});
        if (error.isEmpty())
            error = runTool(fusefat, {u"-o"_qs, u"rw+"_qs, image, mountPoint});
        m_mounted = error.isEmpty();
        return error;
    }

    bool unmount()
    {
        if (m_mounted && runTool(m_unmounter, {u"-u"_qs, u"-z"_qs, mountPoint}).isEmpty())
            m_mounted = false;
        return !m_mounted;
    }

    QString mountPoint;

private:
    QString m_unmounter;
    bool m_mounted = false;
};

const QString exists = u"An item named “%1” already exists."_qs;
const QString notAllowed = u"The name contains a character that is not allowed."_qs;
const QString tooLong = u"The name is too long for this file system."_qs;
const QString longName = QString(296, u'n') + u".txt"_qs; // 300 bytes

} // namespace

class PosixFileMoverTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_fatDir;
    std::unique_ptr<FatMount> m_fat;
    QString m_fatProblem;
    int m_fatFolders = 0;

private Q_SLOTS:
    void cleanupTestCase()
    {
        // Never remove recursively through a live mount.
        if (m_fat && !m_fat->unmount()) {
            m_fatDir.setAutoRemove(false);
            qWarning("Could not unmount %s", qPrintable(m_fat->mountPoint));
        }
    }

    void move_data()
    {
        QTest::addColumn<bool>("onFat");         // else on the temporary folder's file system
        QTest::addColumn<QStringList>("before"); // name=content; name>target for a hard link
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("error"); // empty when the move succeeds
        QTest::addColumn<QStringList>("after");

        const QStringList ab{u"a.txt=alpha"_qs, u"b.txt=beta"_qs};
        const QStringList a{u"a.txt=alpha"_qs};
        QTest::newRow("renames") << false << a << u"a.txt"_qs << u"b.txt"_qs << QString()
                                 << QStringList{u"b.txt=alpha"_qs};
        QTest::newRow("never replaces")
            << false << ab << u"a.txt"_qs << u"b.txt"_qs << exists.arg(u"b.txt"_qs) << ab;
        // Here "A.txt" is another item, not another spelling of "a.txt".
        const QStringList aA{u"A.txt=other"_qs, u"a.txt=alpha"_qs};
        QTest::newRow("case variant is another item")
            << false << aA << u"a.txt"_qs << u"A.txt"_qs << exists.arg(u"A.txt"_qs) << aA;
        // Same device and inode, but "b.txt" is a name of its own: it must stay.
        QTest::newRow("hard link of the same file")
            << false << QStringList{u"a.txt=alpha"_qs, u"b.txt>a.txt"_qs} << u"a.txt"_qs
            << u"b.txt"_qs << exists.arg(u"b.txt"_qs)
            << QStringList{u"a.txt=alpha"_qs, u"b.txt=alpha"_qs};
        QTest::newRow("missing source") << false << QStringList() << u"gone.txt"_qs << u"b.txt"_qs
                                        << u"The file no longer exists."_qs << QStringList();
        QTest::newRow("missing destination folder") << false << a << u"a.txt"_qs << u"gone/b.txt"_qs
                                                    << u"The folder no longer exists."_qs << a;
        // Encoded naively, "b\0.txt" would become "b".
        const QStringList ab0{u"a.txt=alpha"_qs, u"b=not me"_qs};
        QTest::newRow("NUL in destination")
            << false << ab0 << u"a.txt"_qs << u"b\0.txt"_qs << notAllowed << ab0;
        QTest::newRow("too long") << false << a << u"a.txt"_qs << longName << tooLong << a;

        // Without RENAME_NOREPLACE the mover has to do the checks itself.
        QTest::newRow("FAT case-only change")
            << true << QStringList{u"photo.JPG=jpeg"_qs} << u"photo.JPG"_qs << u"Photo.jpg"_qs
            << QString() << QStringList{u"Photo.jpg=jpeg"_qs};
        const QStringList ef{u"e.txt=e"_qs, u"f.txt=f"_qs};
        QTest::newRow("FAT other item differing in case")
            << true << ef << u"f.txt"_qs << u"E.TXT"_qs << exists.arg(u"E.TXT"_qs) << ef;
        QTest::newRow("FAT never replaces")
            << true << ab << u"a.txt"_qs << u"b.txt"_qs << exists.arg(u"b.txt"_qs) << ab;
        // fusefat drops the item when it refuses the new name in a rename.
        QTest::newRow("FAT refused character")
            << true << a << u"a.txt"_qs << u"a:b.txt"_qs << notAllowed << a;
        QTest::newRow("FAT too long") << true << a << u"a.txt"_qs << longName << tooLong << a;
    }

    void move()
    {
        QFETCH(bool, onFat);
        QFETCH(QStringList, before);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, error);
        QFETCH(QStringList, after);

        QTemporaryDir local;
        QString folder = local.path();
        if (onFat) {
            if (!m_fat && m_fatProblem.isEmpty()) {
                m_fat = std::make_unique<FatMount>();
                m_fatProblem = m_fat->mount(m_fatDir.path());
            }
            if (!m_fatProblem.isEmpty())
                QSKIP(qPrintable(u"Cannot mount a FAT image with fusefat: "_qs + m_fatProblem));
            folder = m_fat->mountPoint + u"/row"_qs + QString::number(++m_fatFolders);
        }
        QVERIFY(QDir().mkpath(folder));
        for (const QString &entry : std::as_const(before)) {
            const QStringList link = entry.split(u'>');
            if (link.size() == 2) {
                QCOMPARE(::link(QFile::encodeName(folder + u'/' + link[1]).constData(),
                                QFile::encodeName(folder + u'/' + link[0]).constData()),
                         0);
            } else {
                QVERIFY(writeFile(folder + u'/' + entry.section(u'=', 0, 0),
                                  entry.section(u'=', 1).toUtf8()));
            }
        }

        const FileMover::Result result = PosixFileMover().moveItem(
            (folder + u'/' + source).toUtf8(), (folder + u'/' + destination).toUtf8());

        QCOMPARE(result.succeeded, error.isEmpty());
        QCOMPARE(result.errorDescription, error);
        QCOMPARE(entries(folder), after);
    }
};

BRISKLET_TEST(PosixFileMoverTest)
#include "tst_posixfilemover.moc"
