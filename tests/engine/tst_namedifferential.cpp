#include "testmain.h"

#include "disk/localpath.h"
#include "enginetesthelpers.h"
#include "files/listedfolders.h"
#include "names/caseconversion.h"
#include "names/nametransformer.h"
#include "names/namevalidation.h"
#include "names/transformname.h"
#include "names/unicodetext.h"
#include "preview/namejudge.h"
#include "testmount.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

using namespace EngineTest;

namespace {

// Names through every path of the name computation: accents, special casings, emoji, marks.
const QStringList &corpus()
{
    static const QStringList names{
        u""_qs,
        u"."_qs,
        u".."_qs,
        u".profile"_qs,
        u"archive.tar.gz"_qs,
        u"IMG_0001.JPG"_qs,
        u"holiday photo 12 beach.jpeg"_qs,
        u"  spaced  out  .txt"_qs,
        u"__under_score__.md"_qs,
        u"camelCaseName-with-dashes.v2.txt"_qs,
        u"Café Crème.png"_qs,
        u"Cafe\u0301 Cre\u0300me.png"_qs,
        u"İstanbul ıiIİ.doc"_qs,
        u"Straße STRASSE ß.txt"_qs,
        u"ΣΟΦΟΣ σοφος ΌΣΟΣ.txt"_qs,
        u"😀 smile 👩\u200D💻.png"_qs,
        u"\u0301leading mark.txt"_qs,
        u"ǆemal ǅ Ǆ.txt"_qs,
        u"line\r\nbreak.txt"_qs,
        u"tab\tand\u00a0nbsp\u3000.txt"_qs,
        u"a:b/c\\d.txt"_qs,
        u"   "_qs,
        u"x.\u0301"_qs,
        u"don't stop 'quoted'.txt"_qs,
        u"IMGimgImG img.IMG"_qs,
        u"Ⅻ roman ⅻ ﬁle.txt"_qs,
    };
    return names;
}

// Steps covering every mode and option.
QList<QList<RenameOperationWrapper>> stacks()
{
    QList<QList<RenameOperationWrapper>> result;
    for (const auto occurrence :
         {ReplaceOccurrence::all, ReplaceOccurrence::first, ReplaceOccurrence::last}) {
        for (const bool sensitive : {false, true}) {
            for (const QString &find : {u"img"_qs, u"e"_qs, u"é"_qs, u"ss"_qs, u"i"_qs, u"σ"_qs,
                                        u"😀"_qs, u" "_qs, u"."_qs})
                result.append({replaceStep(find, u"Ø"_qs, occurrence, sensitive)});
        }
    }
    for (const auto type : {CaseType::uppercase, CaseType::lowercase, CaseType::titleCase,
                            CaseType::camelCase, CaseType::snakeCase})
        result.append({caseStep(type)});
    for (const auto position :
         {TrimPosition::leading, TrimPosition::trailing, TrimPosition::both}) {
        result.append({trimStep(TrimType::spaces, position)});
        result.append({trimStep(TrimType::customCharacters, position, u"_ .😀"_qs)});
        result.append({trimStep(TrimType::characterCount, position, {}, 2)});
    }
    result.append({appendStep(u"_end"_qs), appendStep(u"_end"_qs, false)});
    result.append({prependStep(u"2024-"_qs)});
    for (const auto location : {SequenceLocation::before, SequenceLocation::after}) {
        for (const qint64 padding : {0, 3, -4}) {
            result.append({sequenceStep(7, padding, location, false)});
            result.append({sequenceStep(-3, padding, location, true)});
        }
    }
    result.append({regexStep(u"(\\w)(\\w*)"_qs, u"$2$1"_qs)});
    result.append({regexStep(u"(?i)s"_qs, u"\\$"_qs)});
    // The benchmark's stack, and one with every mode in a row.
    result.append({replaceStep(u"img"_qs, u"Photo"_qs), caseStep(CaseType::titleCase),
                   sequenceStep(1, 5, SequenceLocation::after, true)});
    result.append({trimStep(TrimType::spaces, TrimPosition::both), replaceStep(u"e"_qs, u"É"_qs),
                   caseStep(CaseType::snakeCase), appendStep(u"-x"_qs), prependStep(u"y-"_qs),
                   regexStep(u"_+"_qs, u"_"_qs), caseStep(CaseType::uppercase),
                   sequenceStep(99, 3, SequenceLocation::before, true)});
    return result;
}

// The statuses of new names, by counting each name's equals in its folder one by one.
QString naiveStatuses(const QList<FileItem> &files, const ListedFolders &folders)
{
    QHash<std::pair<QByteArray, QString>, int> counts;
    const auto keyOf = [&](qsizetype i) {
        const QString &name = files.at(i).newName;
        return std::pair(LocalPath::folderOf(files.at(i).path),
                         folders.ignoresCase(folders.folderOf(i))
                             ? UnicodeText::matchingKey(name, false)
                             : name.normalized(QString::NormalizationForm_C));
    };
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (NameValidation::verdictOf(files.at(i).newName) == NameValidation::Verdict::grouped)
            ++counts[keyOf(i)];
    }
    QString letters;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (NameValidation::verdictOf(files.at(i).newName) != NameValidation::Verdict::grouped)
            letters += u'E';
        else
            letters += counts.value(keyOf(i)) > 1 ? u'C' : u'P';
    }
    return letters;
}

} // namespace

class NameDifferentialTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The bytes of every stack over the corpus, as computed before any speed-up: pinned by
    // their digest, and name by name in namedigest.txt (a line for each, percent-encoded
    // UTF-8, stack after stack), so that a change says which name it changed.
    void everyStepGivesTheSameBytes()
    {
        QFile file(QStringLiteral(NAME_DIGEST_FILE));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCryptographicHash digest(QCryptographicHash::Sha256);
        const QList<QList<RenameOperationWrapper>> all = stacks();
        for (qsizetype stack = 0; stack < all.size(); ++stack) {
            for (qsizetype i = 0; i < corpus().size(); ++i) {
                const QString name = transformName(corpus().at(i), all.at(stack), i);
                digest.addData(
                    QByteArrayView(reinterpret_cast<const char *>(name.utf16()), name.size() * 2));
                digest.addData(QByteArrayView("\0\0", 2));
                const QString expected = QString::fromUtf8(
                    QByteArray::fromPercentEncoding(lines.value(stack * corpus().size() + i)));
                if (name != expected)
                    QFAIL(qPrintable(
                        u"stack %1, row %2 (\"%3\"): expected \"%4\", got \"%5\""_qs.arg(stack)
                            .arg(i)
                            .arg(corpus().at(i), expected, name)));
            }
        }
        QCOMPARE(digest.result().toHex(),
                 QByteArray("4bf0cb7c1d15a2bae726cc9df6bb82682d64628244938b61295fcc59e2c52385"));
    }

    // Whatever happened since, a preview gives what one from scratch gives: editing one step
    // after another, adding and removing steps and files, renaming and undoing. The files lie
    // in three folders, where the same names meet only within one: in the first seeds all
    // tell letter case apart, in the last two of them are on a FAT file system, which does
    // not.
    void everyPreviewMatchesAFreshOne_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("onFat");
        QTest::addColumn<int>("threads"); // with pieces of a few rows; 0: as the machine has
        for (const quint32 seed : {1u, 2u, 3u, 4u})
            QTest::addRow("seed %u", seed) << seed << false << 0;
        // Cut into pieces small enough for the groups of equal names to be shared out among
        // the threads, whatever the machine has.
        QTest::addRow("seed 5, 3 threads") << 5u << false << 3;
        QTest::addRow("seed 8, 4 threads") << 8u << false << 4;
        for (const quint32 seed : {6u, 7u})
            QTest::addRow("seed %u, on FAT", seed) << seed << true << 0;
        QTest::addRow("seed 9, on FAT, 4 threads") << 9u << true << 4;
    }

    void everyPreviewMatchesAFreshOne()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, onFat);
        QFETCH(int, threads);
        QRandomGenerator random(seed);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QTemporaryDir fatFolder;
        TestMount::Mount fat;
        if (onFat) {
            const QString problem = fat.mount(TestMount::Kind::fat, fatFolder.path());
            if (!problem.isEmpty() && fat.unavailable())
                QSKIP(qPrintable(u"Cannot mount a FAT image: "_qs + problem));
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
        constexpr int copies = 12;
        QStringList folders;
        for (int i = 0; i < 3; ++i) {
            const QString root = onFat && i < 2 ? fat.mountPoint : folder.path();
            folders.append(root + u"/f"_qs + QString::number(i));
            QVERIFY(QDir().mkpath(folders.last()));
        }
        // Copy c is in folder c % 3, under a name that copies c + 1 and c + 2 have too.
        QList<QUrl> urls;
        // Two names that become one where letter case is ignored, once their digits go; once
        // in each folder, so that they meet no copy of themselves.
        const QStringList pair{u"Mixed Case A1.txt"_qs, u"mixed case a2.TXT"_qs};
        for (int copy = 0; copy < copies; ++copy) {
            for (const QString &name : copy < 3 ? corpus() + pair : corpus()) {
                if (name.isEmpty() || name.contains(u'/') || name == u"."_qs || name == u".."_qs)
                    continue;
                const QString path = folders.at(copy % 3) + u'/' + QString::number(copy / 3) + name;
                // FAT takes fewer characters; what it refuses is not listed.
                if (!writeFile(path, {})) {
                    QVERIFY(onFat);
                    continue;
                }
                urls.append(QUrl::fromLocalFile(path));
            }
        }
        using enum CaseType;
        const QList<RenameOperationWrapper> pool{
            replaceStep(u"img"_qs, u"Photo"_qs),
            replaceStep(u"im"_qs, u"Photo"_qs),
            replaceStep(u"e"_qs, u""_qs),
            replaceStep(u"1"_qs, u"0"_qs),
            replaceStep(u"é"_qs, u"e"_qs, ReplaceOccurrence::first, true),
            caseStep(titleCase),
            caseStep(lowercase),
            caseStep(snakeCase),
            trimStep(TrimType::spaces, TrimPosition::both),
            appendStep(u":"_qs),
            appendStep(u"_x"_qs),
            prependStep(u"0"_qs),
            regexStep(u"\\d+"_qs, u""_qs),
            sequenceStep(1, 2, SequenceLocation::after, false),
            sequenceStep(1, 3, SequenceLocation::before, true)};
        const auto engine = makeEngine();
        if (threads > 0) {
            Tuning tuning = engine->tuning();
            tuning.threads = threads;
            tuning.namePiece = 7;
            tuning.judgePiece = 16;
            engine->setTuning(tuning);
        }
        engine->addFiles(urls.mid(0, urls.size() / 2));
        bool caseMattered = false; // whether letter case made a conflict once
        // The first action takes the digits away, which makes the pair meet on FAT.
        for (int action = -1; action < 60; ++action) {
            const qsizetype steps = engine->operations().size();
            const int choice = action < 0 ? -1 : random.bounded(20);
            if (choice < 0) {
                setStack(*engine, {regexStep(u"\\d+"_qs, u""_qs)});
            } else if (choice < 12 && steps > 0) {
                engine->setOperation(random.bounded(int(steps)),
                                     pool.at(random.bounded(int(pool.size()))));
                engine->updatePreview();
            } else if (choice < 14 && steps < 4) {
                engine->addOperation();
            } else if (choice < 15 && steps > 1) {
                engine->removeOperation(random.bounded(int(steps)));
            } else if (choice < 16) {
                engine->toggleSelection(
                    engine->files().at(random.bounded(int(engine->files().size()))).id);
                engine->removeSelectedFiles();
            } else if (choice < 17) {
                engine->addFiles(urls.mid(random.bounded(int(urls.size())), 3));
            } else if (choice < 18) {
                engine->performRename();
            } else if (choice < 19) {
                engine->undoLastRename();
            } else if (action % 3 == 0) {
                engine->updatePreview();
            } else if (action % 3 == 1) {
                engine->reverseFiles();
            } else {
                // Two rows as a block to a place that depends on the action alone, so that
                // the random choices stay those of the seed.
                const QList<FileItem> &files = engine->files();
                engine->moveFiles(
                    {files.at(action % files.size()).id, files.at((action * 7) % files.size()).id},
                    (action * 13) % (files.size() + 1));
            }
            QList<FileItem> expected = engine->files();
            const NameTransformer transformer(engine->operations());
            NameTransformer::Buffers buffers;
            for (qsizetype i = 0; i < expected.size(); ++i)
                expected[i].newName = transformer.apply(expected[i].originalName, i, buffers);
            const ListedFolders listed(expected, [](const QByteArray &, const QByteArray &path) {
                return PosixFileMover::ignoresCase(path);
            });
            NameJudge::judgeAll(expected, listed);
            QCOMPARE(statusLetters(expected), naiveStatuses(expected, listed));
            // Right after a rename or an undo the rows tell how it went, until the next preview.
            if (choice == 17 || choice == 18)
                engine->updatePreview();
            for (qsizetype i = 0; i < expected.size(); ++i) {
                // Compared in one go first, as every row is checked after every action.
                const FileItem &file = engine->files().at(i);
                if (file.newName != expected[i].newName ||
                    file.errorMessage != expected[i].errorMessage)
                    QCOMPARE(file.newName + file.errorMessage.value_or(QString()),
                             expected[i].newName + expected[i].errorMessage.value_or(QString()));
            }
            QCOMPARE(statusLetters(engine->files()), statusLetters(expected));
            if (action < 0) // FAT ignores case
                QCOMPARE(listed.ignoresCase(listed.folderOf(0)), onFat);
            caseMattered =
                caseMattered || naiveStatuses(expected, listed) != naiveStatuses(expected, {});
            QCOMPARE(engine->conflictCount(), statusLetters(expected).count(u'C'));
            QCOMPARE(engine->errorCount(), statusLetters(expected).count(u'E'));
        }
        QCOMPARE(caseMattered, onFat);
    }

    // The scans that look at eight characters at once find what a character-by-character
    // loop finds, at every place in names of every length around the width of one step.
    void scansAgreeWithALoopAtEveryPlace()
    {
        for (const char16_t odd : {u'\r', u'é', u':', u'/', u'\\', u'I', u'i', char16_t(0x7f),
                                   char16_t(0x80), char16_t(0xffff)}) {
            for (qsizetype length = 0; length <= 20; ++length) {
                for (qsizetype at = -1; at < length; ++at) {
                    QString text(length, u'a');
                    if (at >= 0)
                        text[at] = QChar(odd);
                    bool ascii = true;
                    bool plain = true; // ASCII without a carriage return
                    bool forbidden = false;
                    qsizetype firstI = -1;
                    for (qsizetype i = 0; i < length; ++i) {
                        const char16_t c = text[i].unicode();
                        ascii = ascii && c < 0x80;
                        plain = plain && c < 0x80 && c != u'\r';
                        forbidden = forbidden || c == u':' || c == u'/' || c == u'\\';
                        if (firstI < 0 && (c == u'i' || c == u'I'))
                            firstI = i;
                    }
                    QCOMPARE(UnicodeText::isAscii(text), ascii);
                    QCOMPARE(UnicodeText::isAsciiWithoutCarriageReturn(text), plain);
                    QCOMPARE(UnicodeText::containsAnyOf(text, u':', u'/', u'\\'), forbidden);
                    QCOMPARE(UnicodeText::indexOfEither(text, u'i', u'I'), firstI);
                    if (firstI >= 0)
                        QCOMPARE(UnicodeText::indexOfEither(text, u'i', u'I', firstI + 1), -1);
                }
            }
        }
    }

    // Title case over plain ASCII, worked out by its own quick path, gives what the general
    // path gives for the same text once a non-ASCII character that ends a word follows it.
    void asciiTitleCaseMatchesTheGeneralPath()
    {
        QRandomGenerator random(7);
        const QString alphabet = u"aZbY zA'.:^`_-09\t~"_qs;
        for (int round = 0; round < 3000; ++round) {
            QString text;
            for (int i = random.bounded(12); i > 0; --i)
                text += alphabet.at(random.bounded(int(alphabet.size())));
            const QString general = CaseConversion::capitalizeWords(text + u'\u3000');
            QCOMPARE(CaseConversion::capitalizeWords(text) + u'\u3000', general);
        }
    }

    // A listed file's URL comes back exactly as given, kept whole or made again from the
    // path; the path holds its bytes and no room for more, as a million files keep them all.
    // A path's URL is the one escaping every byte gives, whichever way it is made.
    void urlsComeBackAsGiven_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QByteArray>("path"); // empty where the URL is not made from a path
        for (const char *path :
             {"/a/b.txt", "/a b/c d.jpeg", "/a#b?c.txt", "/a%20b.txt", "/[x]/{y};z=1,2+3&4.txt",
              "/Summer Trip (1)!.png", "/a:b@c$d'e*f.txt", "/~-_.x"})
            QTest::newRow(path) << QUrl::fromLocalFile(QString::fromUtf8(path)) << QByteArray();
        QTest::newRow("folder") << QUrl(u"file:///a/b/"_qs) << QByteArray();
        QTest::newRow("escaped letter") << QUrl::fromEncoded("file:///a/%41b.txt") << QByteArray();
        QTest::newRow("host") << QUrl(u"file://server/share/a.txt"_qs) << QByteArray();
        QTest::newRow("query") << QUrl(u"file:///a.txt?x=1"_qs) << QByteArray();
        QTest::newRow("remote") << QUrl(u"https://example.org/a.txt"_qs) << QByteArray();
        QTest::newRow("relative") << QUrl(u"a.txt"_qs) << QByteArray();
        QList<QByteArray> paths{"/a/../b/./c", "//server/a",      "/a/", "/",      "/a//b",
                                "/é/ü ß.png",  "/photo-\xff.jpg", "/😀",  "/a%41b", "/100%"};
        for (char c = 0x20; c < 0x7F; ++c)
            paths.append("/a" + QByteArray(1, c) + "b");
        for (const QByteArray &path : std::as_const(paths))
            QTest::newRow(path.constData())
                << QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode)
                << path;
    }

    void urlsComeBackAsGiven()
    {
        QFETCH(QUrl, url);
        QFETCH(QByteArray, path);
        const auto engine = makeEngine();
        engine->addFiles({url});
        const FileItem file = engine->files().first();
        QCOMPARE(file.url.toUrl().toEncoded(), url.toEncoded());
        QVERIFY(file.url == FileUrl(url));
        QCOMPARE(qHash(file.url), qHash(url));
        QCOMPARE(file.path.capacity(), file.path.size());
        if (path.isEmpty())
            return;
        QCOMPARE(LocalPath::toUrl(path).toEncoded(), url.toEncoded());
        const FileUrl fromPath = FileUrl::fromLocalPath(path);
        QVERIFY(fromPath == FileUrl(url, path));
        QCOMPARE(fromPath.toUrl().toEncoded(), url.toEncoded());
        QCOMPARE(qHash(fromPath), qHash(url));

        // A clean path lists the same row as its URL.
        if (path == "/" || path.endsWith('/') || path.contains("//") || path.contains("/."))
            return;
        engine->addLocalFiles({path});
        const FileItem &byPath = engine->files().last();
        QCOMPARE(byPath.path, file.path);
        QVERIFY(byPath.url == file.url);
        QCOMPARE(byPath.url.toUrl().toEncoded(), url.toEncoded());
        QCOMPARE(byPath.originalName, file.originalName);
    }
};

BRISKLET_TEST(NameDifferentialTest)
#include "tst_namedifferential.moc"
