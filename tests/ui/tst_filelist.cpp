#include "testmain.h"

#include "dialogs/errordetailssheet.h"
#include "disk/localpath.h"
#include "filelist/filelistmodel.h"
#include "filelist/leftalignedfilelistview.h"
#include "filelist/leftalignedfilerow.h"
#include "style/icons.h"
#include "uitesthelpers.h"

#include <QAbstractItemModelTester>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

using namespace UiTest;

namespace {

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class FileListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The list and the problem filter of the error details sheet, both over the same engine.
    void modelsStayConsistentThroughEngineChanges()
    {
        using Tester = QAbstractItemModelTester;
        auto engine = makeEngine();
        FileListModel model(engine.get());
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        ErrorDetailsSheet sheet(engine.get());
        QSortFilterProxyModel *problems = sheet.problems();
        Tester problemTester(problems, Tester::FailureReportingMode::QtTest);
        engine->addFiles(urlsFor({u"a.txt"_qs, u"b.txt"_qs}));
        engine->addFiles(numberedUrls(20));
        editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
            operation.findText = u"file"_qs;
            operation.replaceText = u"doc"_qs;
        });
        for (int row : {0, 3, 4, 5, 9, 21}) {
            QVERIFY(model.setData(model.index(row), true, FileListModel::SelectedRole));
            QVERIFY(model.setData(model.index(row), true, FileListModel::SelectedRole));
        }
        QCOMPARE(engine->selectedFiles().size(), 6);
        engine->removeSelectedFiles();
        QCOMPARE(model.rowCount(), 16);
        QCOMPARE(model.index(1).data().toString(), u"file 0.txt"_qs);
        editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
            operation.mode = RenameMode::regex;
            operation.regexPattern = u"^file [46][.]txt$"_qs;
            operation.regexReplacement = u"same.txt"_qs;
        });
        QCOMPARE(problems->rowCount(), 2);
        QCOMPARE(problems->index(1, 0).data().toString(), u"file 6.txt"_qs);
        engine->removeOperation(0);
        engine->addOperation();
        QCOMPARE(problems->rowCount(), 0);
        engine->performRename();
        QVERIFY(engine->undoLastRename());
        engine->clearAll();
        engine->addFiles(urlsFor({u"c.txt"_qs}));
        QCOMPARE(model.rowCount(), 1);
    }

    // A preview changes the rows' data in one signal, never resets them, and keeps the scroll.
    // A byte of a name that is not UTF-8 shows as U+FFFD in the row, in its new name and to
    // assistive technology; the engine keeps the byte for the move.
    void bytesNotUtf8ShowAsReplacementCharacters()
    {
        auto engine = makeEngine();
        FileListModel model(engine.get());
        engine->addFiles({QUrl::fromEncoded("file:///nowhere/caf%E9.jpg")});
        editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
            operation.mode = RenameMode::changeCase;
            operation.caseType = CaseType::uppercase;
        });
        const QModelIndex row = model.index(0);
        QCOMPARE(row.data(Qt::DisplayRole).toString(), u"caf\uFFFD.jpg"_qs);
        QCOMPARE(row.data(FileListModel::OriginalNameRole).toString(), u"caf\uFFFD.jpg"_qs);
        QCOMPARE(row.data(FileListModel::NewNameRole).toString(), u"CAF\uFFFD.jpg"_qs);
        const QString announced = row.data(Qt::AccessibleTextRole).toString();
        QVERIFY2(announced.startsWith(u"caf\uFFFD.jpg, CAF\uFFFD.jpg"_qs), qPrintable(announced));
        QCOMPARE(LocalPath::encodeName(engine->files().first().newName), QByteArray("CAF\xe9.jpg"));
    }

    void previewKeepsTheScrollPosition()
    {
        auto engine = makeEngine();
        engine->addFiles(numberedUrls(2000));
        LeftAlignedFileListView view(engine.get());
        QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
        QSignalSpy changes(view.model(), &QAbstractItemModel::dataChanged);
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
        const int before = view.verticalScrollBar()->value();
        QVERIFY(before > 0);
        QCoreApplication::processEvents();
        PaintCounter paints(view.viewport());
        editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
            operation.mode = RenameMode::append;
            operation.appendText = u"_x"_qs;
        });
        QCOMPARE(resets.count(), 0);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.first().at(0).toModelIndex().row(), 0);
        QCOMPARE(changes.first().at(1).toModelIndex().row(), 1999);
        QCOMPARE(view.model()->index(2, 0).data(FileListModel::NewNameRole).toString(),
                 u"file 2_x.txt"_qs);
        QTRY_COMPARE(paints.count, 1); // the visible rows show the new names
        engine->toggleSelection(engine->files().at(1000).id);
        QTRY_COMPARE(paints.count, 2);
        QCOMPARE(view.verticalScrollBar()->value(), before);
    }

    // Keys move the current row, and the list follows it, however far it goes.
    void keysBringTheCurrentRowIntoView_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("row");
        QTest::newRow("end") << QList<int>{Qt::Key_End} << 1999;
        QTest::newRow("end, then home") << QList<int>{Qt::Key_End, Qt::Key_Home} << 0;
        QTest::newRow("down past the last visible row") << QList<int>(30, Qt::Key_Down) << 30;
        QTest::newRow("pages down") << QList<int>(6, Qt::Key_PageDown) << -1;
        QTest::newRow("removed at the end")
            << QList<int>{Qt::Key_End, Qt::Key_Space, Qt::Key_Delete} << 1998;
    }

    void keysBringTheCurrentRowIntoView()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, row);
        auto engine = makeEngine();
        engine->addFiles(numberedUrls(2000));
        LeftAlignedFileListView view(engine.get());
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setFocus();
        view.setCurrentIndex(view.model()->index(0, 0));
        for (const int key : std::as_const(keys))
            QTest::keyClick(&view, Qt::Key(key));
        const QModelIndex current = view.currentIndex();
        if (row >= 0)
            QCOMPARE(current.row(), row);
        else
            QVERIFY(current.row() > 30);
        QVERIFY(view.viewport()->rect().contains(view.visualRect(current)));
    }

    void clickOnRowToggles_data()
    {
        QTest::addColumn<qreal>("xFraction");
        QTest::newRow("tile") << 0.03;
        QTest::newRow("space between the names") << 0.35;
        QTest::newRow("new name") << 0.56;
        QTest::newRow("trailing edge") << 0.99;
    }

    void clickOnRowToggles()
    {
        QFETCH(qreal, xFraction);
        auto engine = makeEngine();
        engine->addFiles(urlsFor({u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs}));
        LeftAlignedFileListView view(engine.get());
        view.resize(800, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QRect row = view.visualRect(view.model()->index(1, 0));
        const QPoint point(int(row.width() * xFraction), row.center().y());
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(engine->selectedFiles(), QSet<QUuid>{engine->files().at(1).id});
        QTest::qWait(qApp->doubleClickInterval() + 50);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
        QVERIFY(engine->selectedFiles().isEmpty());
    }

    void problemPillGivesWayToTheNewName_data()
    {
        QTest::addColumn<qreal>("rowWidth");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<bool>("messageShown");
        // The list beside the sidebar in a 900 x 600 window and in the 700 x 500 minimum.
        QTest::newRow("900 x 600") << qreal(580) << u"Holiday 2024 beach 041.jpg"_qs << false;
        QTest::newRow("700 x 500") << qreal(420) << u"Beach 041.jpg"_qs << false;
        QTest::newRow("wide window") << qreal(1400) << u"Holiday 2024 beach 041.jpg"_qs << true;
    }

    void problemPillGivesWayToTheNewName()
    {
        QFETCH(qreal, rowWidth);
        QFETCH(QString, newName);
        QFETCH(bool, messageShown);
        if (!Icons::isAvailable())
            QSKIP("the pill keeps its text when there is no icon to shrink to");
        LeftAlignedFileRow::Content file;
        file.originalName = u"IMG_2041.jpg"_qs;
        file.newName = newName;
        file.status = RenameStatus::conflict;
        file.errorMessage = u"Another file in the list would get the same name"_qs;
        const LeftAlignedFileRow row(file, rowWidth / 2);
        const LeftAlignedFileRow::Geometry geometry =
            row.layout(QRectF(0, 0, rowWidth, LeftAlignedFileRow::height));
        QCOMPARE(geometry.newNameText, file.newName);
        QVERIFY(!geometry.pill.isEmpty());
        QVERIFY(geometry.pill.contains(geometry.pillIcon));
        QVERIFY(geometry.pill.right() <= rowWidth);
        QVERIFY(geometry.newName.right() < geometry.pill.left());
        QCOMPARE(geometry.pillMessage, messageShown ? file.errorMessage : QString());
    }
};

BRISKLET_TEST(FileListTest)
#include "tst_filelist.moc"
