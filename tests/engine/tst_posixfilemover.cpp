#include "testmain.h"

#include "enginetesthelpers.h"
#include "testmount.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

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
using TestMount::Kind;
constexpr int Local = -1, OnFat = int(Kind::fat), OnExFat = int(Kind::exFat);

const QString exists = u"An item named “%1” already exists."_qs;
const QString notAllowed = u"The name contains a character that is not allowed."_qs;
const QString tooLong = u"The name is too long for this file system."_qs;
const QString dotNames = u"“.” and “..” cannot be used as names."_qs;
const QString refusedCharacter = u"This file system does not allow the character %1 in names."_qs;
const QString longName = QString(296, u'n') + u".txt"_qs; // 300 bytes

// One row of move() per place the case is run in; "before" and "after" as "name=content|…",
// an empty "after" for a failed move that leaves "before".
void addMove(const char *name, std::initializer_list<int> places, const QString &before,
             const QString &source, const QString &destination, const QString &error = {},
             const QString &after = {})
{
    for (const int where : places)
        QTest::addRow("%s%s", name,
                      where == Local   ? ""
                      : where == OnFat ? " on FAT"
                                       : " on exFAT")
            << where << before.split(u'|', Qt::SkipEmptyParts) << source << destination << error
            << (after.isEmpty() && !error.isEmpty() ? before : after)
                   .split(u'|', Qt::SkipEmptyParts);
}

// Folder readings in this process, counted in place of the C library's opendir(), and
// folders read whole through a descriptor, in place of fdopendir().
std::atomic<int> folderReadings{0};
std::atomic<int> folderScans{0};

} // namespace

extern "C" DIR *opendir(const char *name)
{
    static const auto next = reinterpret_cast<decltype(&opendir)>(::dlsym(RTLD_NEXT, "opendir"));
    return ++folderReadings, next(name);
}

extern "C" DIR *fdopendir(int descriptor)
{
    static const auto next =
        reinterpret_cast<decltype(&fdopendir)>(::dlsym(RTLD_NEXT, "fdopendir"));
    return ++folderScans, next(descriptor);
}

class PosixFileMoverTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_images;
    std::map<int, std::unique_ptr<TestMount::Mount>> m_mounts;
    std::map<int, QString> m_problems;
    int m_folders = 0;

    // A new empty folder there, mounting the image on first use (the root of a small-root FAT);
    // empty if not, with the reason in m_problems.
    QString newFolder(int where)
    {
        QString root = m_images.path();
        if (where != Local) {
            if (!m_mounts.count(where)) {
                const QString folder = root + u"/image"_qs + QString::number(where);
                m_problems[where] = QDir().mkpath(folder)
                                        ? m_mounts.emplace(where, new TestMount::Mount)
                                              .first->second->mount(Kind(where), folder)
                                        : u"cannot create a folder"_qs;
            }
            if (!m_problems[where].isEmpty() || where == int(Kind::smallRootFat))
                return m_problems[where].isEmpty() ? m_mounts[where]->mountPoint : QString();
            root = m_mounts[where]->mountPoint;
        }
        const QString folder = root + u"/f"_qs + QString::number(++m_folders);
        return QDir().mkpath(folder) ? folder : QString();
    }

private Q_SLOTS:
    void cleanupTestCase()
    {
        // Never remove recursively through a live mount.
        for (auto &[where, mount] : m_mounts)
            m_images.setAutoRemove(m_images.autoRemove() && mount->unmount());
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

        // Without RENAME_NOREPLACE on FAT and exFAT, the mover has to do the checks itself.
        const auto everywhere = {Local, OnFat, OnExFat};
        const QString a = u"a.txt=alpha"_qs;
        addMove("renames", {Local}, a, u"a.txt"_qs, u"b.txt"_qs, {}, u"b.txt=alpha"_qs);
        addMove("never replaces", everywhere, a + u"|b.txt=beta"_qs, u"a.txt"_qs, u"b.txt"_qs,
                exists.arg(u"b.txt"_qs));
        addMove("too long", everywhere, a, u"a.txt"_qs, longName, tooLong);
        for (const QString &name : {u"."_qs, u".."_qs})
            addMove(qPrintable(name + u" as a name"_qs), {Local, OnExFat}, a, u"a.txt"_qs, name,
                    dotNames);
        // Here "A.txt" is another item, not another spelling of "a.txt".
        addMove("case variant is another item", {Local}, u"A.txt=other|"_qs + a, u"a.txt"_qs,
                u"A.txt"_qs, exists.arg(u"A.txt"_qs));
        addMove("case-only change", {OnFat, OnExFat}, u"photo.JPG=jpeg"_qs, u"photo.JPG"_qs,
                u"Photo.jpg"_qs, {}, u"Photo.jpg=jpeg"_qs);
        addMove("other item differing in case", {OnFat, OnExFat}, u"e.txt=e|f.txt=f"_qs,
                u"f.txt"_qs, u"E.TXT"_qs, exists.arg(u"E.TXT"_qs));
        // Same device and inode, but "b.txt" is a name of its own: it must stay.
        addMove("hard link of the same file", {Local}, a + u"|b.txt>a.txt"_qs, u"a.txt"_qs,
                u"b.txt"_qs, exists.arg(u"b.txt"_qs), a + u"|b.txt=alpha"_qs);
        addMove("missing source", {Local}, {}, u"gone.txt"_qs, u"b.txt"_qs,
                u"The file no longer exists."_qs);
        addMove("missing destination folder", {Local}, a, u"a.txt"_qs, u"gone/b.txt"_qs,
                u"The folder no longer exists."_qs);
        // Encoded naively, "b\0.txt" would become "b".
        addMove("NUL in destination", {Local}, a + u"|b=not me"_qs, u"a.txt"_qs, u"b\0.txt"_qs,
                notAllowed);
        // fusefat drops the item when it refuses the new name in a rename.
        addMove("refused character", {OnFat}, a, u"a.txt"_qs, u"a:b.txt"_qs, notAllowed);
        // exFAT refuses these with ENOENT, which would say "No such file or directory."
        for (const QString &character : {u"?"_qs, u"*"_qs, u"<"_qs, u"|"_qs, u"\""_qs, u"\n"_qs}) {
            const QString shown = character == u"\n" ? u"U+000A"_qs : u"“"_qs + character + u"”"_qs;
            addMove(qPrintable(u"refused "_qs + shown), {OnExFat}, a, u"a.txt"_qs,
                    u"a"_qs + character + u"b.txt"_qs, refusedCharacter.arg(shown));
        }
        // A folder is reserved with an empty folder, which rename() may replace.
        const QString folder = u"d/|e.txt=e"_qs;
        addMove("folder renames", {OnExFat}, folder, u"d"_qs, u"n"_qs, {}, u"e.txt=e|n=?"_qs);
        addMove("folder case-only change", {OnExFat}, folder, u"d"_qs, u"D"_qs, {},
                u"D=?|e.txt=e"_qs);
        addMove("folder never replaces a file", {OnExFat}, folder, u"d"_qs, u"E.txt"_qs,
                exists.arg(u"E.txt"_qs), u"d=?|e.txt=e"_qs);
        addMove("file never replaces a folder", {OnExFat}, folder, u"e.txt"_qs, u"D"_qs,
                exists.arg(u"D"_qs), u"d=?|e.txt=e"_qs);
    }

    void move()
    {
        QFETCH(int, where);
        QFETCH(QStringList, before);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, error);
        QFETCH(QStringList, after);

        const QString folder = newFolder(where);
        if (folder.isEmpty())
            QSKIP(qPrintable(m_problems[where]));
        for (const QString &entry : std::as_const(before)) {
            const QString path = folder + u'/' + entry.section(u'=', 0, 0).section(u'>', 0, 0);
            if (entry.contains(u'>'))
                QCOMPARE(
                    ::link(QFile::encodeName(folder + u'/' + entry.section(u'>', 1)).constData(),
                           QFile::encodeName(path).constData()),
                    0);
            else if (entry.endsWith(u'/'))
                QVERIFY(QDir().mkdir(path.chopped(1)));
            else
                QVERIFY(writeFile(path, entry.section(u'=', 1).toUtf8()));
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
        QTest::newRow("FAT files") << OnFat << false << 150;
        QTest::newRow("exFAT files") << OnExFat << false << 300;
        QTest::newRow("exFAT folders") << OnExFat << true << 150;
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
        // The creator's delay spreads over the length of the previous move.
        qint64 moveMicroseconds = 300;
        PosixFileMover mover;
        for (int trial = 0; trial < trials; ++trial) {
            if (trial % perFolder == 0) {
                if (!folder.isEmpty())
                    QCOMPARE(entries(folder), expected);
                if ((folder = newFolder(where)).isEmpty())
                    QSKIP(qPrintable(m_problems[where]));
                expected.clear();
            }
            const QString number = QString::number(trial);
            const QString sourceName = u's' + number;
            const QString destinationName = u'd' + number + u".txt"_qs;
            const QByteArray source = QFile::encodeName(folder + u'/' + sourceName);
            const QByteArray destination = QFile::encodeName(folder + u'/' + destinationName);
            QVERIFY(!folders || ::mkdir(source.constData(), 0700) == 0);
            QVERIFY(writeFile(QFile::decodeName(folders ? source + "/inside" : source),
                              "source " + number.toLatin1()));

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
                const int fd =
                    ::open(destination.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
                created = fd >= 0 && ::write(fd, "creator", 7) == 7;
                ::close(fd);
            });
            QElapsedTimer timer;
            timer.start();
            go = true;
            const FileMover::Result result = mover.moveItem(source, destination);
            moveMicroseconds = timer.nsecsElapsed() / 1000;
            creator.join();

            // A folder reads as "?"; what is inside is checked here.
            const QString moved = folders ? u"=?"_qs : u"=source "_qs + number;
            if (folders)
                QCOMPARE(entries(QFile::decodeName(result.succeeded ? destination : source)),
                         QStringList{u"inside=source "_qs + number});
            QCOMPARE(result.errorDescription, created ? exists.arg(destinationName) : QString());
            expected << (created ? QStringList{sourceName + moved, destinationName + u"=creator"_qs}
                                 : QStringList{destinationName + moved});
            expected.sort();
        }
        QCOMPARE(entries(folder), expected);
    }

    // Refusing a case-only move where inodes tell the spellings apart reads no folder.
    void blockedCaseOnlyMovesLeaveTheFolderUnread()
    {
        QTemporaryDir folder;
        for (int i = 0; i < 50; ++i) {
            QVERIFY(writeFile(folder.filePath(u"file %1.txt"_qs.arg(i)), "lower"));
            QVERIFY(writeFile(folder.filePath(u"FILE %1.txt"_qs.arg(i)), "upper"));
        }
        // The count has to see a reading at all, or the test proves nothing.
        folderReadings = 0;
        ::closedir(::opendir(QFile::encodeName(folder.path()).constData()));
        QCOMPARE(folderReadings.exchange(0), 1);

        PosixFileMover mover;
        for (int i = 0; i < 50; ++i) {
            const QString destination = u"FILE %1.txt"_qs.arg(i);
            QCOMPARE(mover
                         .moveItem(QFile::encodeName(folder.filePath(u"file %1.txt"_qs.arg(i))),
                                   QFile::encodeName(folder.filePath(destination)))
                         .errorDescription,
                     exists.arg(destination));
        }
        QCOMPARE(folderReadings.load(), 0);
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
        QVERIFY(QFile::link(u"a"_qs, QFile::decodeName(base + "d/link")) &&
                QFile::link(u"d"_qs, QFile::decodeName(base + "linked")));
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
        if (::statfs(base.constData(), &fileSystem) == 0 &&
            (fileSystem.f_type == EXT4_SUPER_MAGIC || fileSystem.f_type == TMPFS_MAGIC))
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
        const int where = int(Kind::smallRootFat);
        m_mounts.erase(where);
        const QString root = newFolder(where);
        if (root.isEmpty())
            QSKIP(qPrintable(m_problems[where]));
        QStringList before;
        for (int i = 0; i < 100 && writeFile(root + u"/file%1"_qs.arg(i), "data"); ++i)
            before.append(u"file%1=data"_qs.arg(i));
        QVERIFY(before.size() > 2 + freed && before.size() < 100);
        for (int i = 1; i <= freed; ++i)
            QVERIFY(QFile::remove(root + u'/' + before.takeAt(1).section(u'=', 0, 0)));
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
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("error");

        QTest::newRow("name too long") << QString() << longName << tooLong;
        // A 256-byte name of 128 two-byte characters.
        QTest::newRow("name too long in bytes") << QString() << QString(128, u'é') << tooLong;
        QTest::newRow("sshfs killed")
            << u"kill"_qs << u"b.txt"_qs
            << u"The drive or network folder holding this file is no longer connected."_qs;
        // sshfs unmounts itself: the folders below the mount point are gone.
        QTest::newRow("connection lost")
            << u"drop"_qs << u"b.txt"_qs
            << u"The folder holding this file no longer exists, or its drive was disconnected."_qs;
        QTest::newRow("server gone while reconnecting")
            << u"server"_qs << u"b.txt"_qs
            << u"The drive or network folder holding this file is not responding (input/output "
               "error)."_qs;
    }

    void sshfsMessages()
    {
        QFETCH(QString, gone);
        QFETCH(QString, destination);
        QFETCH(QString, error);

        QTemporaryDir folder;
        const QString mountPoint = folder.filePath(u"mnt"_qs);
        QVERIFY(QDir().mkpath(folder.filePath(u"served/sub"_qs)) && QDir().mkpath(mountPoint));
        QVERIFY(writeFile(folder.filePath(u"served/sub/a.txt"_qs), "kept"));
        SshfsMount sshfs;
        if (const QString why = sshfs.mount(folder.filePath(u"served"_qs), mountPoint,
                                            QStringList(gone == u"server", u"reconnect"_qs));
            !why.isEmpty())
            QSKIP(qPrintable(why));
        const QByteArray from = QFile::encodeName(mountPoint + u"/sub/a.txt"_qs);
        QVERIFY(PosixFileMover().identity(from));
        if (gone == u"server")
            sshfs.stopServer();
        if (gone == u"kill")
            sshfs.killClient();
        else if (!gone.isEmpty())
            sshfs.dropConnection();
        if (gone == u"drop")
            QTRY_VERIFY(!sshfs.isMounted());

        const FileMover::Result result = PosixFileMover().moveItem(
            from, QFile::encodeName(mountPoint + u"/sub/"_qs + destination));

        QCOMPARE(result.errorDescription, error);
        QVERIFY(sshfs.unmount());
        QCOMPARE(entries(folder.filePath(u"served/sub"_qs)), QStringList{u"a.txt=kept"_qs});
    }
};

BRISKLET_TEST(PosixFileMoverTest)
#include "tst_posixfilemover.moc"
