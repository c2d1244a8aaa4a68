#include "testmain.h"

#include "batches/renamejob.h"
#include "disk/localpath.h"
#include "disk/posixfilemover.h"
#include "enginetesthelpers.h"
#include "files/listedfiles.h"
#include "renameengine.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace EngineTest;

namespace {

const QString replaced = u"The file was replaced by another item since it was added."_qs;

// A name as text, any byte not UTF-8 as \xHH: "photo-\xff.jpg" never looks like "photo-\uFFFD.jpg".
QString shown(const QByteArray &name)
{
    const QString decoded = QString::fromUtf8(name);
    if (decoded.toUtf8() == name)
        return decoded;
    QString escaped;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        escaped += byte < 0x80 ? QString(QChar(char16_t(byte)))
                               : u"\\x%1"_qs.arg(byte, 2, 16, QChar(u'0'));
    }
    return escaped;
}

// Every entry below the folder, read by its bytes: "name=content", "folder/" for a folder.
QStringList tree(const QByteArray &folder, const QString &prefix = {})
{
    QStringList result;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return {u"?"_qs};
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        if (entry->d_type == DT_DIR) {
            result.append(prefix + shown(name) + u'/');
            result += tree(path, prefix + shown(name) + u'/');
            continue;
        }
        QFile raw;
        const int descriptor = ::open(path.constData(), O_RDONLY);
        QByteArray content = "?";
        if (descriptor >= 0 &&
            raw.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            content = raw.readAll();
        result.append(prefix + shown(name) + u'=' + QString::fromUtf8(content));
    }
    ::closedir(dir);
    result.sort();
    return result;
}

bool writeBytes(const QByteArray &path, const QByteArray &content)
{
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (descriptor < 0)
        return false;
    const bool written =
        ::write(descriptor, content.constData(), size_t(content.size())) == content.size();
    return ::close(descriptor) == 0 && written;
}

QStringList split(const QString &text)
{
    return text.split(u'|', Qt::SkipEmptyParts);
}

} // namespace

// The item renamed, and the item an undo moves back, is always the one the user listed.
class ListedItemsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A name not in UTF-8 is found by its bytes, renamed from its decoded text, restored by undo.
    void exactBytes_data()
    {
        QTest::addColumn<QString>("prefix"); // what the batch puts before the name
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("after");

        const QString unchanged = u"photo-\\xff.jpg=raw|photo-\uFFFD.jpg=look-alike"_qs;
        QTest::newRow("beside its look-alike")
            << u"x-"_qs << u"S"_qs << u"photo-\uFFFD.jpg=look-alike|x-photo-\\xff.jpg=raw"_qs;
        QTest::newRow("name unchanged") << QString() << u"S"_qs << unchanged;
        QTest::newRow("new name UTF-8 cannot hold")
            << QString(QChar(0xD800)) << u"E"_qs << unchanged;
    }

    void exactBytes()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, status);
        QFETCH(QString, after);

        TestFolder folder;
        const QByteArray base = QFile::encodeName(folder.path(u""_qs).chopped(1));
        // QTemporaryDir cannot remove a name that is not UTF-8.
        const auto removeRaw =
            qScopeGuard([&] { ::unlink(QByteArray(base + "/photo-\xff.jpg").constData()); });
        QVERIFY(writeBytes(base + "/photo-\xff.jpg", "raw"));
        // Beside a file literally named "photo-\uFFFD.jpg".
        QVERIFY(writeBytes(base + "/photo-\xef\xbf\xbd.jpg", "look-alike"));
        const QStringList before = tree(base);
        // As a file manager hands it over.
        const QUrl url =
            QUrl::fromEncoded("file://" + base.toPercentEncoding("/") + "/photo-%FF.jpg");
        auto engine = makeEngine();
        engine->addFiles({url});
        // Computed with as its escape, shown as U+FFFD, kept as the byte.
        QCOMPARE(engine->files().first().originalName, u"photo-"_qs + QChar(0xDCFF) + u".jpg"_qs);
        if (!prefix.isEmpty())
            setStack(*engine, {prependStep(prefix)});

        engine->performRename();

        QCOMPARE(statusLetters(engine->files()), status);
        QCOMPARE(tree(base), split(after));
        if (status == u"E") {
            QCOMPARE(engine->files().first().errorMessage,
                     u"The name contains a character that is not allowed."_qs);
            return;
        }
        QCOMPARE(engine->files().first().url,
                 prefix.isEmpty() ? url
                                  : QUrl::fromEncoded("file://" + base.toPercentEncoding("/") +
                                                      '/' + prefix.toUtf8() + "photo-%FF.jpg"));
        QVERIFY(engine->undoLastRename() || prefix.isEmpty());
        QCOMPARE(tree(base), before);
        QCOMPARE(engine->files().first().url, url);
    }

    // Every name's bytes come back from its text exactly; UTF-8 decodes as it always did,
    // and each byte that is not part of a UTF-8 character reads as one U+FFFD.
    void namesAsTextKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");

        QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x98\x80") << u"\U0001F600"_qs;
        QTest::newRow("a real U+FFFD") << QByteArray("a\xef\xbf\xbd") << u"a\uFFFD"_qs;
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.JPG") << u"caf\uFFFD.JPG"_qs;
        QTest::newRow("cut short") << QByteArray("\xe2\x82.txt") << u"\uFFFD\uFFFD.txt"_qs;
        QTest::newRow("overlong") << QByteArray("\xc0\xaf") << u"\uFFFD\uFFFD"_qs;
        QTest::newRow("a surrogate") << QByteArray("\xed\xa0\x80") << u"\uFFFD\uFFFD\uFFFD"_qs;
        QTest::newRow("above U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << u"\uFFFD\uFFFD\uFFFD\uFFFD"_qs;
        QTest::newRow("valid after broken")
            << QByteArray("\xff\xc3\xa9\xfe") << u"\uFFFD\u00e9\uFFFD"_qs;
    }

    void namesAsTextKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);

        const QString text = LocalPath::decodeName(bytes);
        QCOMPARE(LocalPath::encodeName(text), bytes);
        QCOMPARE(LocalPath::readable(text), shown);
        if (bytes.isValidUtf8())
            QCOMPARE(text, QString::fromUtf8(bytes));
        // Half a surrogate pair that stands for no byte has no bytes.
        QCOMPARE(LocalPath::encodeName(text + QChar(0xDC7F)), std::nullopt);
        QCOMPARE(LocalPath::encodeName(text + QChar(0xD800)), std::nullopt);
    }

    // Names that differ only in a byte that is not UTF-8 are different names: a step that
    // changes the rest of both makes no duplicates of them, and each keeps its own byte.
    void bytesNotUtf8AreNotMerged()
    {
        TestFolder folder;
        const QByteArray base = QFile::encodeName(folder.path(u""_qs).chopped(1));
        const QList<QByteArray> names{"CAF\xc9.JPG", "CAF\xc8.JPG", "Caf\xc3\xa9.JPG"};
        QList<QUrl> urls;
        for (const QByteArray &name : names) {
            QVERIFY(writeBytes(base + '/' + name, QByteArray::number(urls.size() + 1)));
            urls.append(QUrl::fromEncoded("file://" +
                                          QByteArray(base + '/' + name).toPercentEncoding("/")));
        }
        const auto removeRaw = qScopeGuard([&] {
            for (const char *name : {"caf\xc9.JPG", "caf\xc8.JPG", "CAF\xc9.JPG", "CAF\xc8.JPG"})
                ::unlink(QByteArray(base + '/' + name).constData());
        });
        auto engine = makeEngine();
        engine->addFiles(urls);
        setStack(*engine, {caseStep(CaseType::lowercase)});
        QCOMPARE(statusLetters(engine->files()), u"PPP"_qs);

        QCOMPARE(engine->performRename().first, 3);

        QCOMPARE(tree(base), split(u"caf\\xc8.JPG=2|caf\\xc9.JPG=1|caf\u00e9.JPG=3"_qs));
    }

    // An item handed over again, in the same call or a later one and under any spelling of
    // its path, keeps its one row; two names of one file are two rows.
    void sameItemListedOnce_data()
    {
        QTest::addColumn<QString>("first");  // paths in the folder, one call
        QTest::addColumn<QString>("second"); // a later call
        QTest::addColumn<QString>("rows");   // the listed paths

        QTest::newRow("twice in one call")
            << u"a.txt|b.txt|a.txt"_qs << QString() << u"a.txt|b.txt"_qs;
        QTest::newRow("again later") << u"a.txt"_qs << u"b.txt|a.txt"_qs << u"a.txt|b.txt"_qs;
        QTest::newRow("through another spelling")
            << u"sub/x.txt"_qs << u"sub/../sub/./x.txt"_qs << u"sub/x.txt"_qs;
        QTest::newRow("through a link to its folder")
            << u"sub/x.txt"_qs << u"link/x.txt|sub/x.txt"_qs << u"sub/x.txt"_qs;
        QTest::newRow("a folder, with and without its slash")
            << u"sub|sub/"_qs << u"sub"_qs << u"sub"_qs;
        QTest::newRow("hard link under another name")
            << u"a.txt|hard.txt"_qs << u"hard.txt"_qs << u"a.txt|hard.txt"_qs;
    }

    void sameItemListedOnce()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, rows);

        TestFolder folder;
        QVERIFY(writeFile(folder.path(u"a.txt"_qs), "a") &&
                writeFile(folder.path(u"b.txt"_qs), "b") && QDir().mkpath(folder.path(u"sub"_qs)) &&
                writeFile(folder.path(u"sub/x.txt"_qs), "x") &&
                QFile::link(folder.path(u"sub"_qs), folder.path(u"link"_qs)) &&
                ::link(QFile::encodeName(folder.path(u"a.txt"_qs)).constData(),
                       QFile::encodeName(folder.path(u"hard.txt"_qs)).constData()) == 0);
        const auto urls = [&](const QString &paths) {
            QList<QUrl> list;
            for (const QString &path : split(paths))
                list.append(QUrl::fromLocalFile(folder.path(path)));
            return list;
        };
        auto engine = makeEngine();
        engine->addFiles(urls(first));
        engine->addFiles(urls(second));

        QStringList listed;
        for (const FileItem &item : engine->files())
            listed.append(QFile::decodeName(item.path).mid(folder.path(u""_qs).size()));
        QCOMPARE(listed, split(rows));
    }

    // Another item took the listed path after the file was added: it is not moved.
    void replacedItem_data()
    {
        QTest::addColumn<bool>("link"); // else another file
        QTest::addColumn<QString>("after");

        QTest::newRow("other file in its place") << false << u"a.txt=other|kept=listed"_qs;
        QTest::newRow("symbolic link to it in its place") << true << u"a.txt=listed|kept=listed"_qs;
    }

    void replacedItem()
    {
        QFETCH(bool, link);
        QFETCH(QString, after);

        TestFolder folder;
        const QString listed = folder.path(u"a.txt"_qs);
        QVERIFY(writeFile(listed, "listed"));
        auto engine = makeEngine();
        engine->addFiles({folder.url(u"a.txt"_qs)});
        setStack(*engine, {replaceStep(u"a"_qs, u"b"_qs)});
        // The listed file stays on disk, so its inode cannot be given to the newcomer.
        QVERIFY(QFile::rename(listed, folder.path(u"kept"_qs)));
        QVERIFY(link ? QFile::link(folder.path(u"kept"_qs), listed) : writeFile(listed, "other"));

        engine->performRename();

        QCOMPARE(statusLetters(engine->files()), u"E"_qs);
        QCOMPARE(tree(QFile::encodeName(folder.path(u""_qs).chopped(1))), split(after));
        QCOMPARE(engine->files().first().errorMessage, replaced);
    }

    // Undoing an older batch moves none of the 20 files a newer one shifted on, only p back.
    void undoOfAnOlderBatchMovesNoOtherFile()
    {
        TestFolder folder;
        auto engine = makeEngine();
        const auto names = [](int first) {
            QStringList list;
            for (int i = first; i < first + 20; ++i)
                list.append(u"n%1"_qs.arg(i, 2, 10, QChar(u'0')));
            return list;
        };
        const QStringList first = names(1) << u"p"_qs;
        QList<QUrl> urls;
        for (const QString &name : first) {
            QVERIFY(writeFile(folder.path(name), name.toUtf8()));
            urls.append(folder.url(name));
        }
        engine->addFiles(urls);
        setRenames(*engine, first, names(2) << u"q"_qs);
        QCOMPARE(engine->performRename().first, 21);
        // q is listed too: its unchanged name counts as a rename of its own.
        setRenames(*engine, names(2), names(3));
        QCOMPARE(engine->performRename().first, 21);
        QStringList before = folder.entries();

        bool undone = false;
        const QString printed = captured(stdout, [&] { undone = engine->undoRename(0); });

        QVERIFY(undone);
        before.replace(before.indexOf(u"q=p"_qs), u"p=p"_qs);
        QCOMPARE(folder.entries(), before);
        QCOMPARE(printed.count(u"Failed to undo rename: "_qs), 20);
        QCOMPARE(printed.count(u"now holds another item than the one that was renamed."_qs), 19);
        // The newer batch still goes back exactly.
        QVERIFY(engine->undoLastRename());
        QStringList shifted;
        for (int i = 0; i < 20; ++i)
            shifted.append(names(2).at(i) + u'=' + names(1).at(i));
        QCOMPARE(folder.entries(), shifted << u"p=p"_qs);
        QVERIFY(!engine->canUndo());
    }

    // A listed folder and a listed item inside it, renamed in one batch in either order.
    void folderAndItemInside_data()
    {
        QTest::addColumn<QString>("listed"); // relative paths, in list order
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("rows"); // where each row points after the batch

        const QString renamedBoth = u"folder/|folder/g.txt=f|folder/sub/|folder/sub/keep=keep"_qs;
        QTest::newRow("item first")
            << u"dir/f.txt|dir"_qs << renamedBoth << u"folder/g.txt|folder"_qs;
        QTest::newRow("folder first")
            << u"dir|dir/f.txt"_qs << renamedBoth << u"folder|folder/g.txt"_qs;
        QTest::newRow("nested folders and item")
            << u"dir/sub/keep|dir|dir/sub"_qs
            << u"folder/|folder/f.txt=f|folder/sub2/|folder/sub2/keep=keep"_qs
            << u"folder/sub2/keep|folder|folder/sub2"_qs;
    }

    void folderAndItemInside()
    {
        QFETCH(QString, listed);
        QFETCH(QString, after);
        QFETCH(QString, rows);

        TestFolder folder;
        QVERIFY(QDir().mkpath(folder.path(u"dir/sub"_qs)) &&
                writeFile(folder.path(u"dir/f.txt"_qs), "f") &&
                writeFile(folder.path(u"dir/sub/keep"_qs), "keep"));
        const QByteArray base = QFile::encodeName(folder.path(u""_qs).chopped(1));
        const QStringList before = tree(base);
        QList<QUrl> urls;
        for (const QString &path : split(listed))
            urls.append(folder.url(path));
        auto engine = makeEngine();
        engine->addFiles(urls);
        setStack(*engine, {regexStep(u"^dir$"_qs, u"folder"_qs), regexStep(u"^sub$"_qs, u"sub2"_qs),
                           regexStep(u"^f\\.txt$"_qs, u"g.txt"_qs)});

        for (int round = 0; round < 3; ++round) {
            QCOMPARE(engine->performRename(), std::pair(qsizetype(urls.size()), qsizetype(0)));
            QCOMPARE(tree(base), split(after));
            const QStringList where = split(rows);
            for (qsizetype i = 0; i < where.size(); ++i)
                QCOMPARE(engine->files().at(i).url, folder.url(where[i]));

            QVERIFY(engine->undoLastRename());
            QCOMPARE(tree(base), before);
            for (qsizetype i = 0; i < urls.size(); ++i)
                QCOMPARE(engine->files().at(i).url, urls[i]);
        }
    }

    // A drop large enough to be made in pieces: every local row gets the identity of its
    // item, also where a folder's files run across the middle, where the pieces meet.
    void identitiesAcrossPieces_data()
    {
        // The folder of each run of rows, "-" for URLs that are not local files; the runs
        // end at these offsets from the middle of the drop.
        QTest::addColumn<QString>("folders");
        QTest::addColumn<QList<int>>("runEnds");

        QTest::newRow("new folder in the middle") << u"a|b"_qs << QList<int>{0};
        QTest::newRow("folder across the middle") << u"a|b|c"_qs << QList<int>{-2, 2};
        QTest::newRow("other URLs in the middle") << u"a|-|a"_qs << QList<int>{-1, 1};
        QTest::newRow("folder back after the middle") << u"a|b|a"_qs << QList<int>{-1, 3};
    }

    void identitiesAcrossPieces()
    {
        QFETCH(QString, folders);
        QFETCH(QList<int>, runEnds);

        TestFolder root;
        const QStringList runFolders = folders.split(u'|');
        for (const QString &folder : runFolders)
            QVERIFY(folder == u"-"_qs || QDir().mkpath(root.path(folder)));
        constexpr int count = 10000;
        const int middle = count / 2;
        QList<QUrl> urls;
        qsizetype run = 0;
        for (int i = 0; i < count; ++i) {
            while (run < runEnds.size() && i >= middle + runEnds[run])
                ++run;
            const QString &folder = runFolders[run];
            if (folder == u"-"_qs) {
                urls.append(QUrl(u"https://example.com/%1"_qs.arg(i)));
                continue;
            }
            // Files on disk near the middle and at both ends; any other row's item is missing.
            const QString path = root.path(u"%1/%2"_qs.arg(folder).arg(i));
            if (std::abs(i - middle) <= 4 || i < 2 || i >= count - 2)
                QVERIFY(writeFile(path, "x"));
            urls.append(QUrl::fromLocalFile(path));
        }

        PosixFileMover mover;
        QList<FileItem> files;
        ListedFiles::append(files, urls, mover);

        QCOMPARE(files.size(), count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(files[i].url, urls[i]);
            QVERIFY2(files[i].identity == mover.identity(files[i].path), files[i].path.constData());
        }
    }

    // A large drop is added on a worker: the list is taken whole, in order, once it is done;
    // an item it holds that was listed already keeps its one row.
    void largeDropAddedOnWorker()
    {
        TestFolder folder;
        for (const QString &name : {u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs})
            QVERIFY(writeFile(folder.path(name), name.toUtf8()));
        QList<QUrl> urls{folder.url(u"a.txt"_qs)};
        for (qsizetype i = 0; i < RenameEngine::backgroundAddFrom; ++i)
            urls.append(folder.url(u"missing-%1"_qs.arg(i)));
        urls.append(folder.url(u"b.txt"_qs));
        auto engine = makeEngine();
        engine->addFiles({folder.url(u"b.txt"_qs)});
        setStack(*engine, {prependStep(u"x-"_qs)});

        RenameJob *job = engine->startAddingFiles(urls);
        QVERIFY(job);
        QCOMPARE(job->kind(), RenameJob::Kind::add);
        QVERIFY(!engine->startAddingFiles({folder.url(u"a.txt"_qs)}));
        QCOMPARE(engine->files().size(), 1);
        QSignalSpy finished(job, &RenameJob::finished);
        QVERIFY(finished.wait(60000));
        QVERIFY(!engine->isBusy());
        const QList<FileItem> &files = engine->files();
        QCOMPARE(files.size(), urls.size());
        QCOMPARE(files[0].url, urls.last());
        QCOMPARE(files[0].newName, u"x-b.txt"_qs);
        QCOMPARE(files[1].url, urls.first());
        QVERIFY(files[1].identity);
        QVERIFY(!files[2].identity);
        QCOMPARE(files.last().url, urls.at(urls.size() - 2));
        // Fewer files are added at once.
        QVERIFY(!engine->startAddingFiles({folder.url(u"a.txt"_qs), folder.url(u"c.txt"_qs)}));
        QCOMPARE(engine->files().size(), urls.size() + 1);
        QCOMPARE(engine->files().last().newName, u"x-c.txt"_qs);
    }
};

BRISKLET_TEST(ListedItemsTest)
#include "tst_listeditems.moc"
