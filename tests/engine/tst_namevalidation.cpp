#include "testmain.h"

#include "enginetesthelpers.h"
#include "preview/namegroups.h"
#include "preview/namejudge.h"

#include <QHash>

using namespace EngineTest;

namespace {

const QString invalid = u"Contains invalid characters (: / \\)"_qs;
const QString empty = u"Filename cannot be empty"_qs;
const QString duplicate = u"Duplicate filename"_qs;
const QString dots = u"Filename cannot be “.” or “..”"_qs;
const QString tooLong = u"Filename is too long (over 255 bytes)"_qs;

// Each file's new name, after its folder where it starts with one. Whatever the last judgement or
// batch said goes.
QList<FileItem> filesNamed(const QStringList &paths)
{
    QList<FileItem> files;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const qsizetype slash = paths[i].startsWith(u'/') ? paths[i].lastIndexOf(u'/') : -1;
        FileItem item;
        if (slash >= 0)
            item.path = paths[i].left(slash + 1).toUtf8() + "before" + QByteArray::number(i);
        item.originalName = u"before"_qs;
        item.newName = paths[i].mid(slash + 1);
        item.status = RenameStatus::success;
        item.errorMessage = u"stale"_qs;
        files.append(item);
    }
    return files;
}

} // namespace

class NameValidationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void judge_data()
    {
        QTest::addColumn<QStringList>("names"); // each new name, after its folder where it has one
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QString>("error"); // the message of every E

        QTest::newRow("forbidden characters, never a conflict")
            << QStringList{u"a:b"_qs, u"a/b"_qs, u"a\\b"_qs, u"a:b"_qs} << u"EEEE"_qs << invalid;
        QTest::newRow("blank") << QStringList{u"   "_qs, QString(), u"\u3000"_qs} << u"EEE"_qs
                               << empty;
        QTest::newRow("colon wins over empty") << QStringList{u" : "_qs} << u"E"_qs << invalid;
        QTest::newRow("a pair and a triple among others")
            << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"b"_qs, u"d"_qs, u"d"_qs, u"d"_qs}
            << u"PCPCCCC"_qs << QString();
        // A line break is not white space; letter case makes another name.
        QTest::newRow("valid and distinct")
            << QStringList{u"\n"_qs, u".png"_qs, u"A.txt"_qs, u"a.txt"_qs} << u"PPPP"_qs
            << QString();
        QTest::newRow("canonical equivalence")
            << QStringList{u"Caf\u00e9.txt"_qs, u"Cafe\u0301.txt"_qs} << u"CC"_qs << QString();
        // The kernel takes neither as a new name; a name that merely starts with dots is fine.
        QTest::newRow("dot names") << QStringList{u"."_qs, u".."_qs, u".."_qs} << u"EEE"_qs << dots;
        QTest::newRow("names with dots")
            << QStringList{u"..."_qs, u". "_qs, u".a"_qs} << u"PPP"_qs << QString();
        // Counted in the bytes a name takes on disk: "é" takes two, "😀" four.
        QTest::newRow("over 255 bytes")
            << QStringList{QString(256, u'n'), QString(128, u'é'), u"😀"_qs.repeated(64) + u'x',
                           QString(256, u'n')}
            << u"EEEE"_qs << tooLong;
        QTest::newRow("255 bytes") << QStringList{QString(255, u'n'), QString(127, u'é') + u'x',
                                                  QString(85, u'€'), QString(255, u'n')}
                                   << u"CPPC"_qs << QString();
        // New names clash only where they would meet: in the same folder, and there with letter
        // case aside where the folder's file system ignores it ("/ci" here).
        QTest::newRow("same name, other folders")
            << QStringList{u"/a/IMG_1.JPG"_qs, u"/b/IMG_1.JPG"_qs} << u"PP"_qs << QString();
        QTest::newRow("same folder, apart in the list")
            << QStringList{u"/a/x"_qs, u"/b/x"_qs, u"/a/x"_qs} << u"CPC"_qs << QString();
        QTest::newRow("folders inside each other")
            << QStringList{u"/a/x"_qs, u"/a/b/x"_qs, u"/a/b/c/x"_qs, u"/x"_qs} << u"PPPP"_qs
            << QString();
        QTest::newRow("the root") << QStringList{u"/x"_qs, u"/a/x"_qs, u"/x"_qs} << u"CPC"_qs
                                  << QString();
        QTest::newRow("canonical equivalence in one folder")
            << QStringList{u"/a/Caf\u00e9"_qs, u"/b/Cafe\u0301"_qs, u"/a/Cafe\u0301"_qs}
            << u"CPC"_qs << QString();
        QTest::newRow("case ignored")
            << QStringList{u"/ci/X.txt"_qs, u"/a/x.txt"_qs, u"/ci/x.TXT"_qs, u"/ci/y.txt"_qs}
            << u"CPCP"_qs << QString();
        QTest::newRow("case and canonical form ignored")
            << QStringList{u"/ci/Caf\u00e9"_qs, u"/ci/CAFE\u0301"_qs, u"/ci/cafe"_qs,
                           u"/ci/STRASSE"_qs, u"/ci/straße"_qs}
            << u"CCPCC"_qs << QString();
        QTest::newRow("errors never clash")
            << QStringList{u"/ci/a:b"_qs, u"/ci/A:B"_qs, u"/ci/a:b"_qs} << u"EEE"_qs << invalid;
    }

    void judge()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, statuses);
        QFETCH(QString, error);

        QList<FileItem> files = filesNamed(names);
        NameJudge::judgeAll(files,
                            ListedFolders(files, [](const QByteArray &folder, const QByteArray &) {
                                return folder == "/ci";
                            }));
        QCOMPARE(statusLetters(files), statuses);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString message = statuses[i] == u'E'   ? error
                                    : statuses[i] == u'C' ? duplicate
                                                          : QString();
            QCOMPARE(files.at(i).errorMessage.value_or(QString()), message);
        }
    }

    // A list long enough to be grouped in shares finds the same conflicts: equal names
    // spread far apart, canonically equal spellings, and names with errors among them; on one
    // thread and on several, whatever the machine has.
    void aLongListFindsEveryConflict_data()
    {
        QTest::addColumn<int>("threads");
        for (const int threads : {1, 3, 4})
            QTest::addRow("%d threads", threads) << threads;
    }

    void aLongListFindsEveryConflict()
    {
        QFETCH(int, threads);
        constexpr int count = 60000;
        Tuning tuning;
        tuning.threads = threads;
        QStringList names;
        QHash<QString, int> copies;
        for (int i = 0; i < count; ++i) {
            const int n = int((qint64(i) * 7919) % (count * 3 / 4));
            names.append(n % 11 == 0   ? u"Cafe\u0301 %1"_qs.arg(n)
                         : n % 11 == 1 ? u"Caf\u00e9 %1"_qs.arg(n - 1)
                         : n % 97 == 0 ? u"bad:%1"_qs.arg(n)
                                       : u"name %1.txt"_qs.arg(n));
            ++copies[names.last().normalized(QString::NormalizationForm_C)];
        }
        QString expected;
        for (const QString &name : std::as_const(names))
            expected += name.contains(u':')                                               ? u'E'
                        : copies.value(name.normalized(QString::NormalizationForm_C)) > 1 ? u'C'
                                                                                          : u'P';
        QList<FileItem> judged = filesNamed(names);
        NameJudge::judgeAll(judged, ListedFolders(judged), tuning);
        QCOMPARE(statusLetters(judged), expected);
    }

    // A table sized for two names has to grow many times on the way.
    void groupsOutgrowTheirFirstSize()
    {
        NameGroups groups(2, NameGroups::Texts::copied);
        const auto add = [&groups](int i) {
            const QString name = QString::number(i);
            return groups.add(name, NameGroups::hashOf(name), 0);
        };
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(add(i), i);
        for (int i = 999; i >= 0; i -= 7)
            QCOMPARE(add(i), i);
        QCOMPARE(groups.groupSize(999), 2);
        QCOMPARE(groups.groupSize(998), 1);
    }
};

BRISKLET_TEST(NameValidationTest)
#include "tst_namevalidation.moc"
