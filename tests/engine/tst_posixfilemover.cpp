#include "testmain.h"

#include "enginetesthelpers.h"
#include "testmount.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

using namespace EngineTest;

namespace {

// Where a test folder lives: on the temporary folder's file system or on a FUSE image.
// The images are small FAT (fusefat) and exFAT (exfat-fuse) ones: case-insensitive, no
// RENAME_NOREPLACE, no hard links, and every spelling of a name has its own inode number.
enum Where {
    Local,
    OnFat,
    OnSmallRootFat, // a root folder of 16 entries
    OnExFat,
};

TestMount::Kind kindOf(Where where)
{
    return where == OnExFat          ? TestMount::Kind::exFat
           : where == OnSmallRootFat ? TestMount::Kind::smallRootFat
                                     : TestMount::Kind::fat;
}

const QString exists = u"An item named “%1” already exists."_qs;
const QString notAllowed = u"The name contains a character that is not allowed."_qs;
const QString tooLong = u"The name is too long for this file system."_qs;
const QString dotNames = u"“.” and “..” cannot be used as names."_qs;
const QString refusedCharacter = u"This file system does not allow the character %1 in names."_qs;
const QString longName = QString(296, u'n') + u".txt"_qs; // 300 bytes

// One row of move() per place the case is run in.
void addMove(const char *name, std::initializer_list<Where> places, const QStringList &before,
             const QString &source, const QString &destination, const QString &error,
             const QStringList &after)
{
    const char *const suffixes[] = {"", " on FAT", " on small FAT", " on exFAT"};
    for (const Where where : places)
        QTest::addRow("%s%s", name, suffixes[where])
            << int(where) << before << source << destination << error << after;
}

// Folder readings in this process, counted in place of the C library's opendir().
std::atomic<int> folderReadings{0};

} // namespace

extern "C" DIR *opendir(const char *name)
{
    using Function = DIR *(*)(const char *);
    static const auto next = reinterpret_cast<Function>(::dlsym(RTLD_NEXT, "opendir"));
    ++folderReadings;
    return next(name);
}

// Folders read whole through a descriptor, counted in place of fdopendir().
std::atomic<int> folderScans{0};

extern "C" DIR *fdopendir(int descriptor)
{
    using Function = DIR *(*)(int);
    static const auto next = reinterpret_cast<Function>(::dlsym(RTLD_NEXT, "fdopendir"));
    ++folderScans;
    return next(descriptor);
}

class PosixFileMoverTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_images;
    std::map<Where, std::unique_ptr<TestMount::Mount>> m_mounts;
    std::map<Where, QString> m_mountProblems;
    int m_folders = 0;

    // A new empty folder there, mounting the image on first use; empty if not, see skipReason().
    QString newFolder(Where where)
    {
        QString root = m_images.path();
        if (where != Local) {
            if (!m_mounts.count(where)) {
                auto mount = std::make_unique<TestMount::Mount>();
                const QString folder = root + u"/image"_qs + QString::number(where);
                m_mountProblems[where] = QDir().mkpath(folder) ? mount->mount(kindOf(where), folder)
                                                               : u"cannot create a folder"_qs;
                m_mounts[where] = std::move(mount);
            }
            if (!m_mountProblems[where].isEmpty())
                return {};
            root = m_mounts[where]->mountPoint;
            if (where == OnSmallRootFat)
                return root;
        }
        const QString folder = root + u"/f"_qs + QString::number(++m_folders);
        return QDir().mkpath(folder) ? folder : QString();
    }

    QByteArray skipReason(Where where)
    {
        return "Cannot mount a FUSE image: " + m_mountProblems[where].toUtf8();
    }

private Q_SLOTS:
    void cleanupTestCase()
    {
        // Never remove recursively through a live mount.
        for (auto &[where, mount] : m_mounts) {
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
        // Without RENAME_NOREPLACE on FAT and exFAT, the mover has to do the checks itself.
        const auto everywhere = {Local, OnFat, OnExFat};
        addMove("renames", {Local}, a, u"a.txt"_qs, u"b.txt"_qs, {}, {u"b.txt=alpha"_qs});
        addMove("never replaces", everywhere, ab, u"a.txt"_qs, u"b.txt"_qs, exists.arg(u"b.txt"_qs),
                ab);
        addMove("too long", everywhere, a, u"a.txt"_qs, longName, tooLong, a);
        for (const QString &name : {u"."_qs, u".."_qs})
            addMove(qPrintable(name + u" as a name"_qs), {Local, OnExFat}, a, u"a.txt"_qs, name,
                    dotNames, a);
        // Here "A.txt" is another item, not another spelling of "a.txt".
        const QStringList aA{u"A.txt=other"_qs, u"a.txt=alpha"_qs};
        addMove("case variant is another item", {Local}, aA, u"a.txt"_qs, u"A.txt"_qs,
                exists.arg(u"A.txt"_qs), aA);
        addMove("case-only change", {OnFat, OnExFat}, {u"photo.JPG=jpeg"_qs}, u"photo.JPG"_qs,
                u"Photo.jpg"_qs, {}, {u"Photo.jpg=jpeg"_qs});
        const QStringList ef{u"e.txt=e"_qs, u"f.txt=f"_qs};
        addMove("other item differing in case", {OnFat, OnExFat}, ef, u"f.txt"_qs, u"E.TXT"_qs,
                exists.arg(u"E.TXT"_qs), ef);
        // Same device and inode, but "b.txt" is a name of its own: it must stay.
        addMove("hard link of the same file", {Local}, {u"a.txt=alpha"_qs, u"b.txt>a.txt"_qs},
                u"a.txt"_qs, u"b.txt"_qs, exists.arg(u"b.txt"_qs),
                {u"a.txt=alpha"_qs, u"b.txt=alpha"_qs});
        addMove("missing source", {Local}, {}, u"gone.txt"_qs, u"b.txt"_qs,
                u"The file no longer exists."_qs, {});
        addMove("missing destination folder", {Local}, a, u"a.txt"_qs, u"gone/b.txt"_qs,
                u"The folder no longer exists."_qs, a);
        // Encoded naively, "b\0.txt" would become "b".
        const QStringList ab0{u"a.txt=alpha"_qs, u"b=not me"_qs};
        addMove("NUL in destination", {Local}, ab0, u"a.txt"_qs, u"b\0.txt"_qs, notAllowed, ab0);
        // fusefat drops the item when it refuses the new name in a rename.
        addMove("refused character", {OnFat}, a, u"a.txt"_qs, u"a:b.txt"_qs, notAllowed, a);
        // exFAT refuses these with ENOENT, which would say "No such file or directory."
        for (const QString &character : {u"?"_qs, u"*"_qs, u"<"_qs, u"|"_qs, u"\""_qs, u"\n"_qs}) {
            const QString shown = character == u"\n" ? u"U+000A"_qs : u"“"_qs + character + u"”"_qs;
            addMove(qPrintable(u"refused "_qs + shown), {OnExFat}, a, u"a.txt"_qs,
                    u"a"_qs + character + u"b.txt"_qs, refusedCharacter.arg(shown), a);
        }

        // A folder is reserved with an empty folder, which rename() may replace.
        const QStringList folder{u"d/"_qs, u"e.txt=e"_qs};
        const QStringList kept{u"d=?"_qs, u"e.txt=e"_qs};
        addMove("folder renames", {OnExFat}, folder, u"d"_qs, u"n"_qs, {},
                {u"e.txt=e"_qs, u"n=?"_qs});
        addMove("folder case-only change", {OnExFat}, folder, u"d"_qs, u"D"_qs, {},
                {u"D=?"_qs, u"e.txt=e"_qs});
        addMove("folder never replaces a file", {OnExFat}, folder, u"d"_qs, u"E.txt"_qs,
                exists.arg(u"E.txt"_qs), kept);
        addMove("file never replaces a folder", {OnExFat}, folder, u"e.txt"_qs, u"D"_qs,
                exists.arg(u"D"_qs), kept);
    }

    void move()
    {
        QFETCH(int, where);
        QFETCH(QStringList, before);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, error);
        QFETCH(QStringList, after);

        const QString folder = newFolder(Where(where));
        if (folder.isEmpty())
            QSKIP(skipReason(Where(where)).constData());
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

    // A program creating files during moves (a sync client) loses none; every report is true.
    void concurrentCreatorLosesNothing_data()
    {
        QTest::addColumn<int>("where");
        QTest::addColumn<bool>("folders");
        QTest::addColumn<int>("trials");
        QTest::newRow("FAT files") << int(OnFat) << false << 150;
        QTest::newRow("exFAT files") << int(OnExFat) << false << 300;
        QTest::newRow("exFAT folders") << int(OnExFat) << true << 150;
    }

    void concurrentCreatorLosesNothing()
    {
        QFETCH(int, where);
        QFETCH(bool, folders);
        QFETCH(int, trials);

        // fusefat spoils folders larger than one cluster: a new folder every few trials.
        const int perFolder = where == OnFat ? 6 : trials;
        QString folder;
        QStringList expected;
        int refused = 0;
        // The creator's delay spreads over the length of the previous move.
        qint64 moveMicroseconds = 300;
        PosixFileMover mover;
        for (int trial = 0; trial < trials; ++trial) {
            if (trial % perFolder == 0) {
                if (!folder.isEmpty())
                    QCOMPARE(entries(folder), expected);
                folder = newFolder(Where(where));
                if (folder.isEmpty())
                    QSKIP(skipReason(Where(where)).constData());
                expected.clear();
            }
            const QString number = QString::number(trial);
            const QString sourceName = u's' + number;
            const QString destinationName = u'd' + number + u".txt"_qs;
            const QString source = folder + u'/' + sourceName;
            const QString destination = folder + u'/' + destinationName;
            const QByteArray sourceContent = "source " + number.toLatin1();
            const QByteArray creatorContent = "creator " + number.toLatin1();
            QVERIFY(!folders || QDir().mkdir(source));
            QVERIFY(writeFile(folders ? source + u"/inside"_qs : source, sourceContent));
            // A folder reads as "?"; what is inside is checked after the move.
            const QString moved = u'=' + (folders ? u"?"_qs : QString::fromLatin1(sourceContent));

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

            if (folders)
                QCOMPARE(entries(result.succeeded ? destination : source),
                         QStringList{u"inside="_qs + QString::fromLatin1(sourceContent)});
            if (result.succeeded) {
                QVERIFY2(!created, "the creator's file was replaced");
                expected.append(destinationName + moved);
            } else {
                ++refused;
                QCOMPARE(result.errorDescription, exists.arg(destinationName));
                QVERIFY(created);
                expected.append({sourceName + moved,
                                 destinationName + u'=' + QString::fromLatin1(creatorContent)});
            }
            expected.sort();
        }
        QCOMPARE(entries(folder), expected);
        qInfo("%d of %d moves found the creator first", refused, trials);
    }

    // Refusing a case-only move where inodes tell the spellings apart reads no folder.
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

    // Paths read together, folder by folder, give what each gives read on its own.
    void identitiesReadTogether_data()
    {
        QTest::addColumn<QString>("paths"); // in the fixture unless absolute; "^" is a NUL
        // Where 300 more paths are listed, of files d/f<n>; empty for none.
        QTest::addColumn<QString>("many");

        QTest::newRow("one folder") << u"d/a|d/b|d/link|d/missing|d/sub|d/sub/x"_qs << QString();
        QTest::newRow("through a linked folder")
            << u"linked/a|linked/b|linked/link"_qs << QString();
        QTest::newRow("folder missing") << u"gone/a|gone/b|gone/c"_qs << QString();
        QTest::newRow("folder is a file") << u"file/a|file/b"_qs << QString();
        QTest::newRow("alternating folders") << u"d/a|d/sub/x|d/b|d/sub/x|d/a"_qs << QString();
        QTest::newRow("dot names") << u"d/sub/..|d/sub/.|d/..|d/a"_qs << QString();
        QTest::newRow("NUL in a name") << u"d/a^b|d/b|d/a^|d/a"_qs << QString();
        QTest::newRow("the root") << u"/|/etc|/usr|/no such item"_qs << QString();
        // Enough of one folder to read the folder's entries instead.
        QTest::newRow("many of one folder")
            << u"d/a|d/b|d/link|d/missing|d/sub|d/a|d/.|d/..|d/a^b|d/f7"_qs << u"d"_qs;
        QTest::newRow("many, NUL in the folder") << u"d/a"_qs << u"d^"_qs;
    }

    void identitiesReadTogether()
    {
        QFETCH(QString, paths);
        QFETCH(QString, many);

        QTemporaryDir fixture;
        const QByteArray base = QFile::encodeName(fixture.path()) + '/';
        QVERIFY(QDir(fixture.path()).mkpath(u"d/sub"_qs));
        for (const char *file : {"d/a", "d/b", "d/sub/x", "file"})
            QVERIFY(writeFile(QFile::decodeName(base + file), file));
        QCOMPARE(::symlink("a", QByteArray(base + "d/link").constData()), 0);
        QCOMPARE(::symlink("d", QByteArray(base + "linked").constData()), 0);
        QList<QByteArray> list;
        for (const QString &path : paths.split(u'|')) {
            const QByteArray bytes = path.toUtf8().replace('^', '\0');
            list.append(path.startsWith(u'/') ? bytes : base + bytes);
        }
        for (int i = 0; !many.isEmpty() && i < 300; ++i) {
            QVERIFY(writeFile(QFile::decodeName(base + "d/f" + QByteArray::number(i)), "f"));
            list.append(base + many.toUtf8().replace('^', '\0') + "/f" + QByteArray::number(i));
        }

        PosixFileMover mover;
        folderScans = 0;
        const QList<std::optional<ItemIdentity>> together = mover.identities(list);
        struct statfs fileSystem;
        QCOMPARE(::statfs(base.constData(), &fileSystem), 0);
        if (fileSystem.f_type == EXT4_SUPER_MAGIC || fileSystem.f_type == TMPFS_MAGIC)
            QCOMPARE(folderScans.load(), many == u"d"_qs ? 1 : 0);

        QCOMPARE(together.size(), list.size());
        for (qsizetype i = 0; i < list.size(); ++i)
            QVERIFY2(together.at(i) == mover.identity(list.at(i)), list.at(i).constData());
    }

    // A full FAT root folder: the move fails with that reason, and fusefat drops nothing.
    // Each long name takes one entry per 13 characters, so a root may still have room for a
    // short name but not for the new one.
    void fullFatRootFolder_data()
    {
        QTest::addColumn<int>("freed"); // files removed after filling the root
        QTest::addColumn<QString>("destination");
        QTest::newRow("no entry left") << 0 << u"a much longer name.txt"_qs;
        QTest::newRow("room for a short name only")
            << 2 << u"A holiday by the sea in summer - IMG_0001.JPG"_qs;
    }

    void fullFatRootFolder()
    {
        QFETCH(int, freed);
        QFETCH(QString, destination);

        // A fresh image for each row: the root of the last one is full.
        m_mounts.erase(OnSmallRootFat);
        const QString root = newFolder(OnSmallRootFat);
        if (root.isEmpty())
            QSKIP(skipReason(OnSmallRootFat).constData());
        QStringList before;
        for (int i = 0; i < 100 && writeFile(root + u"/file"_qs + QString::number(i), "data"); ++i)
            before.append(u"file%1=data"_qs.arg(i));
        QVERIFY(before.size() > 2 + freed && before.size() < 100);
        for (int i = 1; i <= freed; ++i) {
            QVERIFY(QFile::remove(root + u"/file"_qs + QString::number(i)));
            before.removeOne(u"file%1=data"_qs.arg(i));
        }
        before.sort();

        const FileMover::Result result = PosixFileMover().moveItem(
            QFile::encodeName(root + u"/file0"_qs), QFile::encodeName(root + u'/' + destination));

        QCOMPARE(result.errorDescription, u"The folder is full."_qs);
        QCOMPARE(entries(root), before);
    }

    // What sshfs answers, passed on in words: a name its server refuses as too long, and a
    // mount that went away under a listed file.
    void sshfsMessages_data()
    {
        QTest::addColumn<QString>("gone"); // how the mount goes away before the move
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("error");

        QTest::newRow("name too long") << QString() << u"a.txt"_qs << longName << tooLong;
        // A 256-byte name of 128 two-byte characters.
        QTest::newRow("name too long in bytes")
            << QString() << u"a.txt"_qs << QString(128, u'é') << tooLong;
        QTest::newRow("sshfs killed")
            << u"kill"_qs << u"sub/a.txt"_qs << u"sub/b.txt"_qs
            << u"The drive or network folder holding this file is no longer connected."_qs;
        // sshfs unmounts itself: the folders below the mount point are gone.
        QTest::newRow("connection lost")
            << u"drop"_qs << u"sub/a.txt"_qs << u"sub/b.txt"_qs
            << u"The folder holding this file no longer exists, or its drive was disconnected."_qs;
        QTest::newRow("server gone while reconnecting")
            << u"server"_qs << u"sub/a.txt"_qs << u"sub/b.txt"_qs
            << u"The drive or network folder holding this file is not responding (input/output "
               "error)."_qs;
    }

    void sshfsMessages()
    {
        QFETCH(QString, gone);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, error);

        QTemporaryDir folder;
        const QString served = folder.filePath(u"served"_qs);
        const QString mountPoint = folder.filePath(u"mnt"_qs);
        QVERIFY(QDir().mkpath(served + u"/sub"_qs) && QDir().mkpath(mountPoint));
        QVERIFY(writeFile(served + u"/a.txt"_qs, "top"));
        QVERIFY(writeFile(served + u"/sub/a.txt"_qs, "below"));
        SshfsMount sshfs;
        const QStringList options =
            gone == u"server" ? QStringList{u"reconnect"_qs} : QStringList();
        if (const QString why = sshfs.mount(served, mountPoint, options); !why.isEmpty())
            QSKIP(qPrintable(u"Cannot mount through sshfs: "_qs + why));
        const QByteArray from = QFile::encodeName(mountPoint + u'/' + source);
        QVERIFY(PosixFileMover().identity(from));

        if (gone == u"kill") {
            sshfs.killClient();
        } else if (gone == u"drop") {
            sshfs.dropConnection();
            QTRY_VERIFY(!sshfs.isMounted());
        } else if (gone == u"server") {
            sshfs.stopServer();
            sshfs.dropConnection();
        }
        const FileMover::Result result =
            PosixFileMover().moveItem(from, QFile::encodeName(mountPoint + u'/' + destination));

        QCOMPARE(result.errorDescription, error);
        QVERIFY(sshfs.unmount());
        QCOMPARE(entries(served), (QStringList{u"a.txt=top"_qs, u"sub=?"_qs}));
        QCOMPARE(entries(served + u"/sub"_qs), QStringList{u"a.txt=below"_qs});
    }
};

BRISKLET_TEST(PosixFileMoverTest)
#include "tst_posixfilemover.moc"
