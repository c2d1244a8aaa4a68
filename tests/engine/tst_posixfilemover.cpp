#include "testmain.h"

#include "enginetesthelpers.h"
#include "posixfilemover.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>

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

// A small FAT (fusefat) or exFAT (exfat-fuse) image: case-insensitive, no RENAME_NOREPLACE,
// no hard links, and every spelling of a name has its own inode number.
class FuseMount {
public:
    enum Kind {
        Fat,
        FatWithSmallRoot, // a root folder of 16 entries
        ExFat,
    };

    ~FuseMount() { unmount(); }

    // An empty result means the mount is ready.
    QString mount(Kind kind, const QString &folder)
    {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return u"/dev/fuse is missing or not usable here"_qs;
        m_unmounter = findTool({u"fusermount3"_qs, u"fusermount"_qs});
        if (m_unmounter.isEmpty())
            return u"fusermount is not installed"_qs;
        const QString image = folder + u"/disk.img"_qs;
        mountPoint = folder + u"/mnt"_qs;
        if (!QDir().mkpath(mountPoint))
            return u"cannot create the mount point"_qs;
        const QString error = kind == ExFat ? mountExFat(image) : mountFat(kind, image);
        m_mounted = error.isEmpty();
        return error;
    }

    bool unmount()
    {
        if (m_mounted && runTool(m_unmounter, {u"-u"_qs, u"-z"_qs, mountPoint}).isEmpty())
            m_mounted = false;
        if (!m_mounted && !m_loopDevice.isEmpty() &&
            runTool(findTool({u"losetup"_qs}), {u"-d"_qs, m_loopDevice}).isEmpty())
            m_loopDevice.clear();
        return !m_mounted;
    }

    QString mountPoint;

private:
    QString mountFat(Kind kind, const QString &image)
    {
        const QString fusefat = findTool({u"fusefat"_qs});
        const QString mkfs = findTool({u"mkfs.vfat"_qs});
        if (fusefat.isEmpty() || mkfs.isEmpty())
            return u"fusefat or mkfs.vfat is not installed"_qs;
        QStringList format{u"-C"_qs, image, u"1024"_qs};
        if (kind == FatWithSmallRoot)
            format = QStringList{u"-r"_qs, u"16"_qs} + format;
        QString error = runTool(mkfs, format);
        if (error.isEmpty())
            error = runTool(fusefat, {u"-o"_qs, u"rw+"_qs, image, mountPoint});
        return error;
    }

    QString mountExFat(const QString &image)
    {
        const QString driver = findTool({u"mount.exfat-fuse"_qs});
        const QString mkfs = findTool({u"mkfs.exfat"_qs});
        if (driver.isEmpty() || mkfs.isEmpty())
            return u"exfat-fuse or mkfs.exfat is not installed"_qs;
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(32 * 1024 * 1024))
            return u"cannot create the image"_qs;
        file.close();
        if (QString error = runTool(mkfs, {image}); !error.isEmpty())
            return error;
        if (runTool(driver, {image, mountPoint}).isEmpty())
            return {};
        // Run by root, exfat-fuse asks for a block device.
        const QString losetup = findTool({u"losetup"_qs});
        if (losetup.isEmpty())
            return u"exfat-fuse wants a block device and losetup is not installed"_qs;
        QProcess attach;
        attach.start(losetup, {u"-f"_qs, u"--show"_qs, image});
        if (!attach.waitForFinished(15000) || attach.exitCode() != 0)
            return u"exfat-fuse wants a block device and losetup failed: "_qs +
                   QString::fromLocal8Bit(attach.readAllStandardError()).simplified();
        m_loopDevice = QString::fromLocal8Bit(attach.readAllStandardOutput()).trimmed();
        return runTool(driver, {m_loopDevice, mountPoint});
    }

    QString m_unmounter;
    QString m_loopDevice;
    bool m_mounted = false;
};

const QString exists = u"An item named “%1” already exists."_qs;
const QString notAllowed = u"The name contains a character that is not allowed."_qs;
const QString tooLong = u"The name is too long for this file system."_qs;
const QString dotNames = u"“.” and “..” cannot be used as names."_qs;
const QString refusedCharacter = u"This file system does not allow the character %1 in names."_qs;
const QString longName = QString(296, u'n') + u".txt"_qs; // 300 bytes

// Where a test folder lives: on the temporary folder's file system or on a FUSE mount.
enum Where {
    Local,
    OnFat,
    OnExFat,
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("(missing)");
}

// Folder readings by anything in this process, counted by taking the place of the C
// library's opendir(); the mover reads a folder only that way.
std::atomic<int> folderReadings{0};

} // namespace

extern "C" DIR *opendir(const char *name)
{
    using Function = DIR *(*)(const char *);
    static const auto next = reinterpret_cast<Function>(::dlsym(RTLD_NEXT, "opendir"));
    ++folderReadings;
    return next(name);
}

class PosixFileMoverTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_images;
    std::map<FuseMount::Kind, std::unique_ptr<FuseMount>> m_mounts;
    std::map<FuseMount::Kind, QString> m_mountProblems;
    int m_fuseFolders = 0;

    // Mounted on first use; null when it cannot be, and mountProblem() says why.
    FuseMount *mounted(FuseMount::Kind kind)
    {
        if (!m_mounts.count(kind)) {
            auto mount = std::make_unique<FuseMount>();
            const QString folder = m_images.path() + u"/image"_qs + QString::number(kind);
            m_mountProblems[kind] =
                QDir().mkpath(folder) ? mount->mount(kind, folder) : u"cannot create a folder"_qs;
            m_mounts[kind] = std::move(mount);
        }
        return m_mountProblems[kind].isEmpty() ? m_mounts[kind].get() : nullptr;
    }

    // A new empty folder on a mount of that kind; empty when it cannot be mounted.
    QString fuseFolder(FuseMount::Kind kind)
    {
        const FuseMount *mount = mounted(kind);
        if (!mount)
            return {};
        const QString folder = mount->mountPoint + u"/f"_qs + QString::number(++m_fuseFolders);
        return QDir().mkpath(folder) ? folder : QString();
    }

    QString mountProblem(FuseMount::Kind kind)
    {
        return u"Cannot mount a FUSE image: "_qs + m_mountProblems[kind];
    }

private Q_SLOTS:
    void cleanupTestCase()
    {
        // Never remove recursively through a live mount.
        for (auto &[kind, mount] : m_mounts) {
            if (!mount->unmount()) {
                m_images.setAutoRemove(false);
                qWarning("Could not unmount %s", qPrintable(mount->mountPoint));
            }
        }
    }

    void move_data()
    {
        QTest::addColumn<int>("where");
        // name=content; name>target for a hard link; name/ for an empty folder
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("error");     // empty when the move succeeds
        QTest::addColumn<QStringList>("after"); // a folder shows as "name=?"

        const QStringList ab{u"a.txt=alpha"_qs, u"b.txt=beta"_qs};
        const QStringList a{u"a.txt=alpha"_qs};
        QTest::newRow("renames") << int(Local) << a << u"a.txt"_qs << u"b.txt"_qs << QString()
                                 << QStringList{u"b.txt=alpha"_qs};
        QTest::newRow("never replaces")
            << int(Local) << ab << u"a.txt"_qs << u"b.txt"_qs << exists.arg(u"b.txt"_qs) << ab;
        // Here "A.txt" is another item, not another spelling of "a.txt".
        const QStringList aA{u"A.txt=other"_qs, u"a.txt=alpha"_qs};
        QTest::newRow("case variant is another item")
            << int(Local) << aA << u"a.txt"_qs << u"A.txt"_qs << exists.arg(u"A.txt"_qs) << aA;
        // Same device and inode, but "b.txt" is a name of its own: it must stay.
        QTest::newRow("hard link of the same file")
            << int(Local) << QStringList{u"a.txt=alpha"_qs, u"b.txt>a.txt"_qs} << u"a.txt"_qs
            << u"b.txt"_qs << exists.arg(u"b.txt"_qs)
            << QStringList{u"a.txt=alpha"_qs, u"b.txt=alpha"_qs};
        QTest::newRow("missing source")
            << int(Local) << QStringList() << u"gone.txt"_qs << u"b.txt"_qs
            << u"The file no longer exists."_qs << QStringList();
        QTest::newRow("missing destination folder")
            << int(Local) << a << u"a.txt"_qs << u"gone/b.txt"_qs
            << u"The folder no longer exists."_qs << a;
        // Encoded naively, "b\0.txt" would become "b".
        const QStringList ab0{u"a.txt=alpha"_qs, u"b=not me"_qs};
        QTest::newRow("NUL in destination")
            << int(Local) << ab0 << u"a.txt"_qs << u"b\0.txt"_qs << notAllowed << ab0;
        QTest::newRow("too long") << int(Local) << a << u"a.txt"_qs << longName << tooLong << a;

        // Without RENAME_NOREPLACE the mover has to do the checks itself.
        for (const Where where : {OnFat, OnExFat}) {
            const char *fs = where == OnFat ? "FAT" : "exFAT";
            QTest::addRow("%s case-only change", fs)
                << int(where) << QStringList{u"photo.JPG=jpeg"_qs} << u"photo.JPG"_qs
                << u"Photo.jpg"_qs << QString() << QStringList{u"Photo.jpg=jpeg"_qs};
            const QStringList ef{u"e.txt=e"_qs, u"f.txt=f"_qs};
            QTest::addRow("%s other item differing in case", fs)
                << int(where) << ef << u"f.txt"_qs << u"E.TXT"_qs << exists.arg(u"E.TXT"_qs) << ef;
            QTest::addRow("%s never replaces", fs)
                << int(where) << ab << u"a.txt"_qs << u"b.txt"_qs << exists.arg(u"b.txt"_qs) << ab;
            QTest::addRow("%s too long", fs)
                << int(where) << a << u"a.txt"_qs << longName << tooLong << a;
        }
        for (const Where where : {Local, OnExFat}) {
            for (const QString &name : {u"."_qs, u".."_qs}) {
                QTest::addRow("%s as a name%s", qPrintable(name), where == Local ? "" : " on exFAT")
                    << int(where) << a << u"a.txt"_qs << name << dotNames << a;
            }
        }
        // fusefat drops the item when it refuses the new name in a rename.
        QTest::newRow("FAT refused character")
            << int(OnFat) << a << u"a.txt"_qs << u"a:b.txt"_qs << notAllowed << a;
        // exFAT refuses these with ENOENT, which would say "No such file or directory."
        for (const QString &character : {u"?"_qs, u"*"_qs, u"<"_qs, u"|"_qs, u"\""_qs}) {
            QTest::addRow("exFAT refused %s", qPrintable(character))
                << int(OnExFat) << a << u"a.txt"_qs << u"a"_qs + character + u"b.txt"_qs
                << refusedCharacter.arg(u"“"_qs + character + u"”"_qs) << a;
        }
        QTest::newRow("exFAT refused line break")
            << int(OnExFat) << a << u"a.txt"_qs << u"a\nb.txt"_qs
            << refusedCharacter.arg(u"U+000A"_qs) << a;

        // A folder is reserved with an empty folder, which rename() may replace.
        const QStringList folder{u"d/"_qs, u"e.txt=e"_qs};
        QTest::newRow("exFAT folder renames") << int(OnExFat) << folder << u"d"_qs << u"n"_qs
                                              << QString() << QStringList{u"e.txt=e"_qs, u"n=?"_qs};
        QTest::newRow("exFAT folder case-only change")
            << int(OnExFat) << folder << u"d"_qs << u"D"_qs << QString()
            << QStringList{u"D=?"_qs, u"e.txt=e"_qs};
        QTest::newRow("exFAT folder never replaces a file")
            << int(OnExFat) << folder << u"d"_qs << u"E.txt"_qs << exists.arg(u"E.txt"_qs)
            << QStringList{u"d=?"_qs, u"e.txt=e"_qs};
        QTest::newRow("exFAT file never replaces a folder")
            << int(OnExFat) << folder << u"e.txt"_qs << u"D"_qs << exists.arg(u"D"_qs)
            << QStringList{u"d=?"_qs, u"e.txt=e"_qs};
    }

    void move()
    {
        QFETCH(int, where);
        QFETCH(QStringList, before);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, error);
        QFETCH(QStringList, after);

        QTemporaryDir local;
        QString folder = local.path();
        if (where != Local) {
            const auto kind = where == OnFat ? FuseMount::Fat : FuseMount::ExFat;
            folder = fuseFolder(kind);
            if (folder.isEmpty())
                QSKIP(qPrintable(mountProblem(kind)));
        }
        for (const QString &entry : std::as_const(before)) {
            const QStringList link = entry.split(u'>');
            if (link.size() == 2) {
                QCOMPARE(::link(QFile::encodeName(folder + u'/' + link[1]).constData(),
                                QFile::encodeName(folder + u'/' + link[0]).constData()),
                         0);
            } else if (entry.endsWith(u'/')) {
                QVERIFY(QDir(folder).mkdir(entry.chopped(1)));
            } else {
                QVERIFY(writeFile(folder + u'/' + entry.section(u'=', 0, 0),
                                  entry.section(u'=', 1).toUtf8()));
            }
        }

        const FileMover::Result result = PosixFileMover().moveItem(
            (folder + u'/' + source).toUtf8(), (folder + u'/' + destination).toUtf8());

        QCOMPARE(result.errorDescription, error);
        QCOMPARE(result.succeeded, error.isEmpty());
        QCOMPARE(entries(folder), after);
    }

    // A program creating files in the folder during a move (a sync client) never loses one,
    // and every report is true. A random delay makes it land at every point of a move.
    void concurrentCreatorLosesNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("folders");
        QTest::addColumn<int>("trials");
        QTest::newRow("FAT files") << int(FuseMount::Fat) << false << 150;
        QTest::newRow("exFAT files") << int(FuseMount::ExFat) << false << 300;
        QTest::newRow("exFAT folders") << int(FuseMount::ExFat) << true << 150;
    }

    void concurrentCreatorLosesNothing()
    {
        QFETCH(int, kind);
        QFETCH(bool, folders);
        QFETCH(int, trials);

        // fusefat spoils folders larger than one cluster: a new folder every few trials.
        const int perFolder = kind == FuseMount::Fat ? 6 : trials;
        QString folder;
        QStringList expected;
        const auto listing = [&] {
            return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                          QDir::Name);
        };
        int refused = 0;
        // The creator's delay spreads over the length of the previous move.
        qint64 moveMicroseconds = 300;
        PosixFileMover mover;
        for (int trial = 0; trial < trials; ++trial) {
            if (trial % perFolder == 0) {
                if (!folder.isEmpty())
                    QCOMPARE(listing(), expected);
                folder = fuseFolder(FuseMount::Kind(kind));
                if (folder.isEmpty())
                    QSKIP(qPrintable(mountProblem(FuseMount::Kind(kind))));
                expected.clear();
            }
            const QString number = QString::number(trial);
            const QString sourceName = u's' + number;
            const QString destinationName = u'd' + number + u".txt"_qs;
            const QString source = folder + u'/' + sourceName;
            const QString destination = folder + u'/' + destinationName;
            const QByteArray sourceContent = "source " + number.toLatin1();
            const QByteArray creatorContent = "creator " + number.toLatin1();
            if (folders) {
                QVERIFY(QDir().mkdir(source));
                QVERIFY(writeFile(source + u"/inside"_qs, sourceContent));
            } else {
                QVERIFY(writeFile(source, sourceContent));
            }

            std::atomic<bool> go{false};
            bool created = false;
            const auto delay = std::chrono::microseconds(
                QRandomGenerator::global()->bounded(std::max<qint64>(moveMicroseconds, 1)));
            std::thread creator([&] {
                while (!go) {
                }
                const auto until = std::chrono::steady_clock::now() + delay;
                while (std::chrono::steady_clock::now() < until) {
                }
                const int fd = ::open(QFile::encodeName(destination).constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
                if (fd >= 0) {
                    created = ::write(fd, creatorContent.constData(),
                                      size_t(creatorContent.size())) == creatorContent.size();
                    ::close(fd);
                }
            });
            QElapsedTimer timer;
            timer.start();
            go = true;
            const FileMover::Result result =
                mover.moveItem(QFile::encodeName(source), QFile::encodeName(destination));
            moveMicroseconds = timer.nsecsElapsed() / 1000;
            creator.join();

            const QString moved = folders ? destination + u"/inside"_qs : destination;
            if (result.succeeded) {
                QVERIFY2(!created, "the creator's file was replaced");
                QCOMPARE(readFile(moved), sourceContent);
                QVERIFY(!QFileInfo::exists(source));
                expected.append(destinationName);
            } else {
                ++refused;
                QCOMPARE(result.errorDescription, exists.arg(destinationName));
                QVERIFY(created);
                QCOMPARE(readFile(folders ? source + u"/inside"_qs : source), sourceContent);
                QCOMPARE(readFile(destination), creatorContent);
                expected.append({sourceName, destinationName});
            }
            expected.sort();
        }
        QCOMPARE(listing(), expected);
        qInfo("%d of %d moves found the creator first", refused, trials);
    }

    // Where inode numbers tell "FILE 1.txt" from "file 1.txt", refusing such a move must not
    // read the folder, or a batch grows with the square of the folder's size.
    void blockedCaseOnlyMovesLeaveTheFolderUnread()
    {
        QTemporaryDir folder;
        struct statfs info;
        QCOMPARE(::statfs(QFile::encodeName(folder.path()).constData(), &info), 0);
        if (info.f_type == FUSE_SUPER_MAGIC)
            QSKIP("The temporary folder is on FUSE, where inode numbers may name spellings");
        constexpr int count = 50;
        for (int i = 0; i < count; ++i) {
            QVERIFY(writeFile(folder.filePath(u"file %1.txt"_qs.arg(i)), "lower"));
            QVERIFY(writeFile(folder.filePath(u"FILE %1.txt"_qs.arg(i)), "upper"));
        }

        // The count has to see a reading at all, or the test proves nothing.
        folderReadings = 0;
        ::closedir(::opendir(QFile::encodeName(folder.path()).constData()));
        QCOMPARE(folderReadings.load(), 1);

        PosixFileMover mover;
        folderReadings = 0;
        for (int i = 0; i < count; ++i) {
            const QString destination = u"FILE %1.txt"_qs.arg(i);
            const FileMover::Result result =
                mover.moveItem(QFile::encodeName(folder.filePath(u"file %1.txt"_qs.arg(i))),
                               QFile::encodeName(folder.filePath(destination)));
            QCOMPARE(result.errorDescription, exists.arg(destination));
        }
        QCOMPARE(folderReadings.load(), 0);
        QCOMPARE(entries(folder.path()).size(), 2 * count);
    }

    // A full FAT root folder: the move fails with that reason, and fusefat drops nothing.
    void fullFatRootFolder()
    {
        const FuseMount *mount = mounted(FuseMount::FatWithSmallRoot);
        if (!mount)
            QSKIP(qPrintable(mountProblem(FuseMount::FatWithSmallRoot)));
        const QString root = mount->mountPoint;
        QStringList before;
        for (int i = 0; i < 100 && writeFile(root + u"/file"_qs + QString::number(i), "data"); ++i)
            before.append(u"file%1=data"_qs.arg(i));
        QVERIFY(before.size() > 2 && before.size() < 100);
        before.sort();

        const FileMover::Result result =
            PosixFileMover().moveItem(QFile::encodeName(root + u"/file0"_qs),
                                      QFile::encodeName(root + u"/a much longer name.txt"_qs));

        QCOMPARE(result.errorDescription, u"The folder is full."_qs);
        QCOMPARE(entries(root), before);
    }
};

BRISKLET_TEST(PosixFileMoverTest)
#include "tst_posixfilemover.moc"
