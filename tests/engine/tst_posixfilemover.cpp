#include "posixfilemover.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr long FuseSuperMagic = 0x65735546;

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Every entry of a folder, hidden ones included, sorted by name.
QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString findTool(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

// Runs a tool briefly; an empty result means it succeeded, otherwise it says why not.
QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return QStringLiteral("%1 did not start").arg(program);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(1000);
        return QStringLiteral("%1 did not finish in time").arg(program);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return QStringLiteral("%1 failed: %2")
            .arg(QFileInfo(program).fileName(),
                 QString::fromLocal8Bit(process.readAll()).simplified());
    }
    return {};
}

bool isFuseMount(const QString &path)
{
    struct statfs info;
    return ::statfs(QFile::encodeName(path).constData(), &info) == 0 &&
           static_cast<long>(info.f_type) == FuseSuperMagic;
}

// A small FAT image mounted through fusefat: a case-insensitive, case-preserving file
// system without RENAME_NOREPLACE, with a separate inode number for every spelling.
class FatMount {
public:
    ~FatMount() { unmount(); }

    // Creates the image and mounts it; an empty result means the mount is ready.
    QString mount(const QString &folder, bool readOnly)
    {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return QStringLiteral("/dev/fuse is missing or not usable here");
        const QString fusefat = findTool(QStringLiteral("fusefat"));
        if (fusefat.isEmpty())
            return QStringLiteral("fusefat is not installed");
        const QString mkfs = findTool(QStringLiteral("mkfs.vfat"));
        if (mkfs.isEmpty())
            return QStringLiteral("mkfs.vfat is not installed");
        m_unmounter = findTool(QStringLiteral("fusermount3"));
        if (m_unmounter.isEmpty())
            m_unmounter = findTool(QStringLiteral("fusermount"));
        if (m_unmounter.isEmpty())
            return QStringLiteral("neither fusermount3 nor fusermount is installed");

        m_image = folder + QStringLiteral("/fat.img");
        m_mountPoint = folder + QStringLiteral("/mnt");
        if (!QDir().mkpath(m_mountPoint))
            return QStringLiteral("cannot create the mount point");
        if (!QFileInfo::exists(m_image)) {
            const QString error =
                runTool(mkfs, {QStringLiteral("-C"), m_image, QStringLiteral("1024")});
            if (!error.isEmpty())
                return error;
        }
        const QString error = runTool(
            fusefat, {QStringLiteral("-o"), readOnly ? QStringLiteral("ro") : QStringLiteral("rw+"),
                      m_image, m_mountPoint});
        if (!error.isEmpty())
            return error;
        if (!isFuseMount(m_mountPoint))
            return QStringLiteral("fusefat reported success but nothing is mounted");
        m_mounted = true;
        return {};
    }

    bool unmount()
    {
        if (!m_mounted)
            return true;
        if (runTool(m_unmounter, {QStringLiteral("-u"), m_mountPoint}).isEmpty() ||
            runTool(m_unmounter, {QStringLiteral("-u"), QStringLiteral("-z"), m_mountPoint})
                .isEmpty())
            m_mounted = false;
        return !m_mounted;
    }

    QString mountPoint() const { return m_mountPoint; }

private:
    QString m_unmounter;
    QString m_image;
    QString m_mountPoint;
    bool m_mounted = false;
};

} // namespace

class PosixFileMoverTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_fatDir;
    std::unique_ptr<FatMount> m_fat;
    QString m_fatProblem;
    PosixFileMover m_mover;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    // A fresh folder on the FAT mount for the current test, or a reason to skip.
    QString fatFolder(QString *problem)
    {
        if (!m_fat && m_fatProblem.isEmpty()) {
            m_fatDir = std::make_unique<QTemporaryDir>();
            m_fat = std::make_unique<FatMount>();
            m_fatProblem = m_fat->mount(m_fatDir->path(), false);
        }
        if (!m_fatProblem.isEmpty()) {
            *problem = QStringLiteral("Cannot mount a FAT image with fusefat: ") + m_fatProblem;
            return {};
        }
        const QString folder =
            m_fat->mountPoint() + u'/' + QString::fromLatin1(QTest::currentTestFunction());
        if (!QDir().mkpath(folder)) {
            *problem = QStringLiteral("Cannot create a folder on the FAT mount");
            return {};
        }
        return folder;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        // Leave the folder writable so that it can be removed.
        ::chmod(QFile::encodeName(m_dir->path()).constData(), 0700);
        m_dir.reset();
    }

    void cleanupTestCase()
    {
        if (m_fat && !m_fat->unmount()) {
            // Never remove recursively through a live mount.
            m_fatDir->setAutoRemove(false);
            qWarning("Could not unmount %s", qPrintable(m_fat->mountPoint()));
        }
        m_fat.reset();
        m_fatDir.reset();
    }

    void renamesFile()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(QStringLiteral("b.txt")));
        QVERIFY2(result.succeeded, qPrintable(result.errorDescription));
        QVERIFY(result.errorDescription.isEmpty());
        QCOMPARE(listing(m_dir->path()), QStringList{QStringLiteral("b.txt")});
        QCOMPARE(readFile(path(QStringLiteral("b.txt"))), QByteArray("alpha"));
    }

    void renamesToUnicodeName()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        const QString name = QStringLiteral("Übersicht – 日本 😀.txt");
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(name));
        QVERIFY2(result.succeeded, qPrintable(result.errorDescription));
        QCOMPARE(listing(m_dir->path()), QStringList{name});
    }

    void refusesExistingDestination()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        QVERIFY(writeFile(path(QStringLiteral("b.txt")), "beta"));
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(QStringLiteral("b.txt")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("An item named “b.txt” already exists."));
        QCOMPARE(readFile(path(QStringLiteral("a.txt"))), QByteArray("alpha"));
        QCOMPARE(readFile(path(QStringLiteral("b.txt"))), QByteArray("beta"));
    }

    void refusesCaseVariantOnCaseSensitiveFileSystem()
    {
        // Here "A.txt" is another item, not another spelling of "a.txt".
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        QVERIFY(writeFile(path(QStringLiteral("A.txt")), "other"));
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(QStringLiteral("A.txt")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("An item named “A.txt” already exists."));
        QCOMPARE(readFile(path(QStringLiteral("a.txt"))), QByteArray("alpha"));
        QCOMPARE(readFile(path(QStringLiteral("A.txt"))), QByteArray("other"));
    }

    void refusesHardLinkOfSameFile()
    {
        // Same device and inode, but "b.txt" is a name of its own: it must stay.
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        QCOMPARE(::link(QFile::encodeName(path(QStringLiteral("a.txt"))).constData(),
                        QFile::encodeName(path(QStringLiteral("b.txt"))).constData()),
                 0);
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(QStringLiteral("b.txt")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("An item named “b.txt” already exists."));
        QCOMPARE(listing(m_dir->path()),
                 (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    }

    void samePathSucceedsWithoutChange()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(QStringLiteral("a.txt")));
        QVERIFY2(result.succeeded, qPrintable(result.errorDescription));
        QCOMPARE(listing(m_dir->path()), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(readFile(path(QStringLiteral("a.txt"))), QByteArray("alpha"));
    }

    void missingSource()
    {
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("gone.txt")), path(QStringLiteral("b.txt")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("The file no longer exists."));
        QVERIFY(listing(m_dir->path()).isEmpty());
    }

    void missingDestinationFolder()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(QStringLiteral("gone/b.txt")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("The folder no longer exists."));
        QCOMPARE(listing(m_dir->path()), QStringList{QStringLiteral("a.txt")});
    }

    void refusesNulCharacter()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        QVERIFY(writeFile(path(QStringLiteral("b")), "not me"));
        // Encoded naively, "b\0.txt" would become "b": refuse it instead.
        const QString withNul = path(QStringLiteral("b")) + QChar(0) + QStringLiteral(".txt");
        FileMover::Result result = m_mover.moveItem(path(QStringLiteral("a.txt")), withNul);
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription,
                 QStringLiteral("The name contains a character that is not allowed."));
        QCOMPARE(readFile(path(QStringLiteral("a.txt"))), QByteArray("alpha"));
        QCOMPARE(readFile(path(QStringLiteral("b"))), QByteArray("not me"));

        result = m_mover.moveItem(withNul, path(QStringLiteral("c.txt")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription,
                 QStringLiteral("The name contains a character that is not allowed."));
        QCOMPARE(listing(m_dir->path()),
                 (QStringList{QStringLiteral("a.txt"), QStringLiteral("b")}));
    }

    void refusesUnpairedSurrogate()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        const QString broken = path(QStringLiteral("x")) + QChar(0xD800) + QStringLiteral(".txt");
        const FileMover::Result result = m_mover.moveItem(path(QStringLiteral("a.txt")), broken);
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription,
                 QStringLiteral("The name contains a character that is not allowed."));
        QCOMPARE(listing(m_dir->path()), QStringList{QStringLiteral("a.txt")});
    }

    void refusesTooLongName()
    {
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        const QString longName = QString(296, u'n') + QStringLiteral(".txt");
        QCOMPARE(QFile::encodeName(longName).size(), 300);
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(longName));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription,
                 QStringLiteral("The name is too long for this file system."));
        QCOMPARE(listing(m_dir->path()), QStringList{QStringLiteral("a.txt")});
    }

    void renamesDirectory()
    {
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("old/inner")));
        QVERIFY(writeFile(path(QStringLiteral("old/inner/f.txt")), "deep"));
        FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("old")), path(QStringLiteral("new")));
        QVERIFY2(result.succeeded, qPrintable(result.errorDescription));
        QCOMPARE(listing(m_dir->path()), QStringList{QStringLiteral("new")});
        QCOMPARE(readFile(path(QStringLiteral("new/inner/f.txt"))), QByteArray("deep"));

        // Onto an existing folder, empty or not: refused, nothing merged or replaced.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("empty")));
        result = m_mover.moveItem(path(QStringLiteral("new")), path(QStringLiteral("empty")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("An item named “empty” already exists."));
        QCOMPARE(listing(m_dir->path()),
                 (QStringList{QStringLiteral("empty"), QStringLiteral("new")}));
        QCOMPARE(readFile(path(QStringLiteral("new/inner/f.txt"))), QByteArray("deep"));
    }

    void readOnlyFolder()
    {
        if (::geteuid() == 0)
            QSKIP("Running as root, which ignores folder permissions");
        QVERIFY(writeFile(path(QStringLiteral("a.txt")), "alpha"));
        QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0500), 0);
        const FileMover::Result result =
            m_mover.moveItem(path(QStringLiteral("a.txt")), path(QStringLiteral("b.txt")));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("Permission denied."));
        QCOMPARE(listing(m_dir->path()), QStringList{QStringLiteral("a.txt")});
    }

    // The following run on a FAT image mounted with fusefat (case-insensitive, no
    // RENAME_NOREPLACE, so renameat2 gives EINVAL and the fallback does the work).

    void fatCaseOnlyChange()
    {
        QString problem;
        const QString folder = fatFolder(&problem);
        if (folder.isEmpty())
            QSKIP(qPrintable(problem));
        QVERIFY(writeFile(folder + QStringLiteral("/photo.JPG"), "jpeg bytes"));
        const FileMover::Result result = m_mover.moveItem(folder + QStringLiteral("/photo.JPG"),
                                                          folder + QStringLiteral("/Photo.jpg"));
        QVERIFY2(result.succeeded, qPrintable(result.errorDescription));
        QCOMPARE(listing(folder), QStringList{QStringLiteral("Photo.jpg")});
        QCOMPARE(readFile(folder + QStringLiteral("/Photo.jpg")), QByteArray("jpeg bytes"));
    }

    void fatCaseOnlyChangeOfDirectory()
    {
        // An empty folder: fusefat drops the contents of any folder it renames, with a
        // plain rename() too, so only the name can be checked here.
        QString problem;
        const QString folder = fatFolder(&problem);
        if (folder.isEmpty())
            QSKIP(qPrintable(problem));
        QVERIFY(QDir(folder).mkdir(QStringLiteral("album")));
        const FileMover::Result result =
            m_mover.moveItem(folder + QStringLiteral("/album"), folder + QStringLiteral("/ALBUM"));
        QVERIFY2(result.succeeded, qPrintable(result.errorDescription));
        QCOMPARE(listing(folder), QStringList{QStringLiteral("ALBUM")});
        QVERIFY(QFileInfo(folder + QStringLiteral("/ALBUM")).isDir());
    }

    void fatRefusesOtherItemDifferingInCase()
    {
        QString problem;
        const QString folder = fatFolder(&problem);
        if (folder.isEmpty())
            QSKIP(qPrintable(problem));
        QVERIFY(writeFile(folder + QStringLiteral("/e.txt"), "e"));
        QVERIFY(writeFile(folder + QStringLiteral("/f.txt"), "f"));
        const FileMover::Result result =
            m_mover.moveItem(folder + QStringLiteral("/f.txt"), folder + QStringLiteral("/E.TXT"));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("An item named “E.TXT” already exists."));
        QCOMPARE(listing(folder), (QStringList{QStringLiteral("e.txt"), QStringLiteral("f.txt")}));
        QCOMPARE(readFile(folder + QStringLiteral("/e.txt")), QByteArray("e"));
        QCOMPARE(readFile(folder + QStringLiteral("/f.txt")), QByteArray("f"));
    }

    void fatRenamesWithoutNoReplaceSupport()
    {
        QString problem;
        const QString folder = fatFolder(&problem);
        if (folder.isEmpty())
            QSKIP(qPrintable(problem));
        QVERIFY(writeFile(folder + QStringLiteral("/a.txt"), "alpha"));
        QVERIFY(writeFile(folder + QStringLiteral("/b.txt"), "beta"));
        FileMover::Result result =
            m_mover.moveItem(folder + QStringLiteral("/a.txt"), folder + QStringLiteral("/c.txt"));
        QVERIFY2(result.succeeded, qPrintable(result.errorDescription));
        QCOMPARE(listing(folder), (QStringList{QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
        QCOMPARE(readFile(folder + QStringLiteral("/c.txt")), QByteArray("alpha"));

        result =
            m_mover.moveItem(folder + QStringLiteral("/c.txt"), folder + QStringLiteral("/b.txt"));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("An item named “b.txt” already exists."));
        QCOMPARE(readFile(folder + QStringLiteral("/b.txt")), QByteArray("beta"));
        QCOMPARE(readFile(folder + QStringLiteral("/c.txt")), QByteArray("alpha"));
    }

    void fatRefusedNameKeepsFile()
    {
        // fusefat drops the item when it refuses the new name in a rename; the mover
        // has to find out before it moves anything.
        QString problem;
        const QString folder = fatFolder(&problem);
        if (folder.isEmpty())
            QSKIP(qPrintable(problem));
        QVERIFY(writeFile(folder + QStringLiteral("/a.txt"), "alpha"));
        for (const QString &name : {QStringLiteral("a:b.txt"), QStringLiteral("a*b.txt")}) {
            const FileMover::Result result =
                m_mover.moveItem(folder + QStringLiteral("/a.txt"), folder + u'/' + name);
            QVERIFY(!result.succeeded);
            QCOMPARE(result.errorDescription,
                     QStringLiteral("The name contains a character that is not allowed."));
            QCOMPARE(listing(folder), QStringList{QStringLiteral("a.txt")});
            QCOMPARE(readFile(folder + QStringLiteral("/a.txt")), QByteArray("alpha"));
        }
        const FileMover::Result result =
            m_mover.moveItem(folder + QStringLiteral("/a.txt"),
                             folder + u'/' + QString(296, u'n') + QStringLiteral(".txt"));
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription,
                 QStringLiteral("The name is too long for this file system."));
        QCOMPARE(listing(folder), QStringList{QStringLiteral("a.txt")});
    }

    void fatReadOnlyMount()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FatMount fat;
        // Put a file on the image through a writable mount, then mount it read-only.
        QString problem = fat.mount(dir.path(), false);
        if (!problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("Cannot mount a FAT image with fusefat: ") + problem));
        QVERIFY(writeFile(fat.mountPoint() + QStringLiteral("/a.txt"), "alpha"));
        QVERIFY(fat.unmount());
        problem = fat.mount(dir.path(), true);
        if (!problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("Cannot mount a FAT image read-only: ") + problem));
        const FileMover::Result result =
            m_mover.moveItem(fat.mountPoint() + QStringLiteral("/a.txt"),
                             fat.mountPoint() + QStringLiteral("/b.txt"));
        const QStringList entries = listing(fat.mountPoint());
        QVERIFY(fat.unmount());
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorDescription, QStringLiteral("The folder is read-only."));
        QCOMPARE(entries, QStringList{QStringLiteral("a.txt")});
    }
};

BRISKLET_TEST(PosixFileMoverTest)
#include "tst_posixfilemover.moc"
