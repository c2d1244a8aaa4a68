#include "testmain.h"

#include "dialogs/errordetailssheet.h"
#include "disk/localpath.h"
#include "filelist/filelistmodel.h"
#include "filelist/leftalignedfilelistview.h"
#include "filelist/leftalignedfilerow.h"
#include "style/colors.h"
#include "style/icons.h"
#include "uitesthelpers.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>

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

// What happens to the engine in one row of a table.
using Change = std::function<void(RenameEngine &)>;

// 20 numbered files, then two rows that get the same new name under "file" -> "doc".
std::unique_ptr<RenameEngine> listedEngine()
{
    auto engine = makeEngine();
    engine->addFiles(numberedUrls(20) + urlsFor({u"a.txt"_qs, u"a.txt"_qs}));
    setFirstStep(*engine, replaceStep(u"file"_qs, u"doc"_qs));
    return engine;
}

// The first row the model shows otherwise than the engine holds it, or nothing.
QString firstDifference(const QAbstractItemModel &model, const RenameEngine &engine)
{
    const QList<FileItem> &files = engine.files();
    if (model.rowCount() != files.size())
        return u"%1 rows for %2 files"_qs.arg(model.rowCount()).arg(files.size());
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        const FileItem &file = files.at(row);
        if (index.data(FileListModel::FileIdRole).toUuid() != file.id ||
            index.data(FileListModel::NewNameRole) != LocalPath::readable(file.newName) ||
            index.data(FileListModel::StatusRole) != int(file.status))
            return u"row %1 shows %2"_qs.arg(row).arg(index.data().toString());
    }
    return QString();
}

// Drops `data` on the middle of the list's viewport, as a drag from another program does.
void dropOn(LeftAlignedFileListView &view, const QMimeData &data)
{
    const QPointF at(view.viewport()->width() / 2.0, 10);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &enter);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &drop);
}

QList<int> engineSelection(const RenameEngine &engine)
{
    QList<int> rows;
    for (int row = 0; row < engine.files().size(); ++row) {
        if (engine.selectedFiles().contains(engine.files().at(row).id))
            rows.append(row);
    }
    return rows;
}

QList<int> shownSelection(const QItemSelectionModel &selection)
{
    QList<int> rows;
    for (const QModelIndex &index : selection.selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class FileListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each change of the engine's list reaches the views as the one model change that says
    // what happened, and the rows read as the engine holds them after it; the problem list of
    // the error details sheet follows too. The list's selection and the engine's are one: a
    // change on either side shows on the other, outlives changes of the rows that stay, and
    // neither runs the preview nor touches the rows.
    void rowsAndSelectionFollowTheEngine_data()
    {
        QTest::addColumn<QList<int>>("inEngine"); // rows toggled through the engine
        QTest::addColumn<QList<int>>("inList");   // then through the list's selection
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<QList<int>>("removed"); // first row of each run, in the order told
        QTest::addColumn<int>("updated");
        QTest::addColumn<int>("resets");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("layouts");

        using Rows = QList<int>;
        Rows all(22);
        std::iota(all.begin(), all.end(), 0);
        const Change none = [](RenameEngine &) {};
        const Change deselect = [](RenameEngine &engine) { engine.deselectAll(); };
        const Change append = [](RenameEngine &engine) {
            engine.addFiles(urlsFor({u"x.txt"_qs, u"y.txt"_qs, u"z.txt"_qs}));
        };
        const Change remove = [](RenameEngine &engine) { engine.removeSelectedFiles(); };
        const Change preview = [](RenameEngine &engine) {
            setFirstStep(engine, replaceStep({}, u"doc"_qs));
        };
        const Change renameAndUndo = [](RenameEngine &engine) {
            engine.performRename();
            engine.undoLastRename();
        };
        const Change clear = [](RenameEngine &engine) { engine.clearAll(); };
        const Change reverse = [](RenameEngine &engine) { engine.reverseFiles(); };
        const Change moveFirstTwoToEnd = [](RenameEngine &engine) {
            engine.moveFiles({engine.files().at(0).id, engine.files().at(1).id}, 22);
        };
        const Change moveDown = [](RenameEngine &engine) { engine.moveSelectedFiles(1); };
        // Chosen in the engine, then one let go and two toggled in the list.
        QTest::newRow("let go in the list")
            << Rows{7, 2} << Rows{2, 4, 1, 1} << none << 0 << Rows() << 0 << 0 << Rows{4, 7} << 0;
        QTest::newRow("deselected in the engine")
            << Rows{2} << Rows{4} << deselect << 0 << Rows() << 0 << 0 << Rows() << 0;
        QTest::newRow("files appended")
            << Rows() << Rows{1, 21} << append << 1 << Rows() << 1 << 0 << Rows{1, 21} << 0;
        QTest::newRow("scattered rows removed") << Rows{0, 4, 9, 21} << Rows{3, 5} << remove << 0
                                                << Rows{21, 9, 3, 0} << 1 << 0 << Rows() << 0;
        QTest::newRow("every row removed")
            << all << Rows() << remove << 0 << Rows{0} << 0 << 0 << Rows() << 0;
        QTest::newRow("nothing selected to remove")
            << Rows() << Rows() << remove << 0 << Rows() << 1 << 0 << Rows() << 0;
        QTest::newRow("preview") << Rows{8} << Rows{1} << preview << 0 << Rows() << 1 << 0
                                 << Rows{1, 8} << 0;
        QTest::newRow("rename, then undo")
            << Rows() << Rows{2} << renameAndUndo << 0 << Rows() << 2 << 0 << Rows{2} << 0;
        QTest::newRow("cleared") << Rows() << Rows{1} << clear << 0 << Rows() << 0 << 1 << Rows()
                                 << 0;
        // A new order is one layout change, then the preview; the selection goes with its
        // files.
        QTest::newRow("reversed") << Rows{1} << Rows{21} << reverse << 0 << Rows() << 1 << 0
                                  << Rows{0, 20} << 1;
        QTest::newRow("moved to the end")
            << Rows{0} << Rows{5} << moveFirstTwoToEnd << 0 << Rows() << 1 << 0 << Rows{3, 20} << 1;
        QTest::newRow("moved down one place")
            << Rows{0, 21} << Rows{5} << moveDown << 0 << Rows() << 1 << 0 << Rows{1, 6, 21} << 1;
    }

    void rowsAndSelectionFollowTheEngine()
    {
        QFETCH(QList<int>, inEngine);
        QFETCH(QList<int>, inList);
        QFETCH(Change, change);
        QFETCH(int, inserted);
        QFETCH(QList<int>, removed);
        QFETCH(int, updated);
        QFETCH(int, resets);
        QFETCH(QList<int>, selected);
        QFETCH(int, layouts);
        using Tester = QAbstractItemModelTester;
        auto engine = listedEngine();
        LeftAlignedFileListView view(engine.get());
        QAbstractItemModel &model = *view.model();
        const Tester tester(&model, Tester::FailureReportingMode::QtTest);
        ErrorDetailsSheet sheet(engine.get());
        const Tester problemTester(sheet.problems(), Tester::FailureReportingMode::QtTest);
        QSignalSpy previews(engine.get(), &RenameEngine::filesChanged);
        QSignalSpy insertions(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy updates(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy modelResets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy layoutChanges(&model, &QAbstractItemModel::layoutChanged);
        for (const int row : std::as_const(inEngine))
            engine->toggleSelection(engine->files().at(row).id);
        for (const int row : std::as_const(inList))
            view.selectionModel()->select(model.index(row, 0), QItemSelectionModel::Toggle);
        QCOMPARE(previews.count() + updates.count(), 0);
        QCOMPARE(shownSelection(*view.selectionModel()), engineSelection(*engine));

        change(*engine);
        QCOMPARE(insertions.count(), inserted);
        QList<int> removedFirst;
        for (const QList<QVariant> &removal : std::as_const(removals))
            removedFirst.append(removal.at(1).toInt());
        QCOMPARE(removedFirst, removed);
        QCOMPARE(updates.count(), updated);
        QCOMPARE(modelResets.count(), resets);
        QCOMPARE(layoutChanges.count(), layouts);
        const QString difference = firstDifference(model, *engine);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QCOMPARE(sheet.problems()->rowCount(), engine->conflictCount() + engine->errorCount());
        QCOMPARE(engineSelection(*engine), selected);
        QCOMPARE(shownSelection(*view.selectionModel()), selected);
    }

    // Rows move by the model's moveRows and by dropped row ids; files dragged in from elsewhere are
    // still added, and row ids never add anything.
    void rowsMoveWithinTheList_data()
    {
        QTest::addColumn<std::function<void(LeftAlignedFileListView &)>>("move");
        QTest::addColumn<QString>("firstNames");
        QTest::addColumn<int>("rows");
        using Move = std::function<void(LeftAlignedFileListView &)>;
        QTest::newRow("moveRows") << Move([](LeftAlignedFileListView &view) {
            QVERIFY(view.model()->moveRows({}, 2, 2, {}, 0));
        }) << u"file 2.txt,file 3.txt,file 0.txt,file 1.txt"_qs
                                  << 22;
        QTest::newRow("dropped rows") << Move([](LeftAlignedFileListView &view) {
            QAbstractItemModel *model = view.model();
            // Dragged in the order they were picked; they land in the list's order.
            std::unique_ptr<QMimeData> data(
                model->mimeData({model->index(3, 0), model->index(1, 0)}));
            QVERIFY(model->canDropMimeData(data.get(), Qt::MoveAction, 0, 0, {}));
            QVERIFY(model->dropMimeData(data.get(), Qt::MoveAction, 0, 0, {}));
        }) << u"file 1.txt,file 3.txt,file 0.txt,file 2.txt"_qs
                                      << 22;
        QTest::newRow("files dropped from elsewhere") << Move([](LeftAlignedFileListView &view) {
            QMimeData data;
            data.setUrls(urlsFor({u"new.txt"_qs}));
            dropOn(view, data);
        }) << u"file 0.txt,file 1.txt,file 2.txt,file 3.txt"_qs
                                                      << 23;
        QTest::newRow("row ids dropped from elsewhere") << Move([](LeftAlignedFileListView &view) {
            std::unique_ptr<QMimeData> data(view.model()->mimeData({view.model()->index(3, 0)}));
            dropOn(view, *data);
        }) << u"file 0.txt,file 1.txt,file 2.txt,file 3.txt"_qs
                                                        << 22;
    }
    void rowsMoveWithinTheList()
    {
        QFETCH(std::function<void(LeftAlignedFileListView &)>, move);
        QFETCH(QString, firstNames);
        QFETCH(int, rows);
        auto engine = listedEngine();
        LeftAlignedFileListView view(engine.get());
        const QAbstractItemModelTester tester(
            view.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        move(view);
        QStringList names;
        for (int row = 0; row < 4; ++row)
            names.append(view.model()->index(row, 0).data().toString());
        QCOMPARE(names.join(u','), firstNames);
        QCOMPARE(view.model()->rowCount(), rows);
        const QString difference = firstDifference(*view.model(), *engine);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // A byte of a name that is not UTF-8 shows as U+FFFD in the row, in its new name and to
    // assistive technology; the engine keeps the byte for the move.
    void bytesNotUtf8ShowAsReplacementCharacters()
    {
        auto engine = makeEngine();
        FileListModel model(engine.get());
        engine->addFiles({QUrl::fromEncoded("file:///nowhere/caf%E9.jpg")});
        setFirstStep(*engine, caseStep(CaseType::uppercase));
        const QModelIndex row = model.index(0);
        QCOMPARE(row.data(Qt::DisplayRole).toString(), u"caf\uFFFD.jpg"_qs);
        QCOMPARE(row.data(FileListModel::OriginalNameRole).toString(), u"caf\uFFFD.jpg"_qs);
        QCOMPARE(row.data(FileListModel::NewNameRole).toString(), u"CAF\uFFFD.jpg"_qs);
        const QString announced = row.data(Qt::AccessibleTextRole).toString();
        QVERIFY2(announced.startsWith(u"caf\uFFFD.jpg, CAF\uFFFD.jpg"_qs), qPrintable(announced));
    }

    // A preview redraws the visible rows once and keeps the scroll.
    void previewKeepsTheScrollPosition()
    {
        auto engine = makeEngine();
        engine->addFiles(numberedUrls(2000));
        LeftAlignedFileListView view(engine.get());
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
        const int before = view.verticalScrollBar()->value();
        QVERIFY(before > 0);
        QCoreApplication::processEvents();
        PaintCounter paints(view.viewport());
        setFirstStep(*engine, appendStep(u"_x"_qs));
        QTRY_COMPARE(paints.count, 1); // the visible rows show the new names
        QCOMPARE(view.verticalScrollBar()->value(), before);
    }

    // Keys move the current row, and the list follows it, however far it goes; only Space
    // selects, one row at a time.
    void keysBringTheCurrentRowIntoView_data()
    {
        using Keys = QList<QKeyCombination>;
        QTest::addColumn<Keys>("keys");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("selected");
        QTest::newRow("end") << Keys{Qt::Key_End} << 1999 << 0;
        QTest::newRow("end, then home") << Keys{Qt::Key_End, Qt::Key_Home} << 0 << 0;
        QTest::newRow("down past the last visible row") << Keys(30, Qt::Key_Down) << 30 << 0;
        QTest::newRow("space, then down") << Keys{Qt::Key_Space, Qt::Key_Down} << 1 << 1;
        QTest::newRow("space twice lets go") << Keys{Qt::Key_Space, Qt::Key_Space} << 0 << 0;
        QTest::newRow("select all") << Keys{Qt::CTRL | Qt::Key_A} << 0 << 0;
        QTest::newRow("removed at the end")
            << Keys{Qt::Key_End, Qt::Key_Space, Qt::Key_Delete} << 1998 << 0;
    }

    void keysBringTheCurrentRowIntoView()
    {
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(int, row);
        QFETCH(int, selected);
        auto engine = makeEngine();
        engine->addFiles(numberedUrls(2000));
        LeftAlignedFileListView view(engine.get());
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setFocus();
        view.setCurrentIndex(view.model()->index(0, 0));
        for (const QKeyCombination key : std::as_const(keys))
            QTest::keyClick(&view, key.key(), key.keyboardModifiers());
        const QModelIndex current = view.currentIndex();
        QCOMPARE(current.row(), row);
        QVERIFY(view.viewport()->rect().contains(view.visualRect(current)));
        QCOMPARE(engine->selectedFiles().size(), selected);
    }

    void clickOnRowToggles_data()
    {
        QTest::addColumn<qreal>("xFraction");
        QTest::newRow("tile") << 0.03;
        QTest::newRow("space between the names") << 0.35;
        QTest::newRow("new name") << 0.56;
        QTest::newRow("trailing edge") << 0.99;
    }

    // One click anywhere on a row selects it, the next lets go; the row shows which.
    void clickOnRowToggles()
    {
        QFETCH(qreal, xFraction);
        auto engine = makeEngine();
        engine->addFiles(urlsFor({u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs}));
        LeftAlignedFileListView view(engine.get());
        view.resize(800, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QModelIndex index = view.model()->index(1, 0);
        const QRect row = view.visualRect(index);
        const QPoint point(int(row.width() * xFraction), row.center().y());
        // Between the two names, where only the row's background shows.
        const QPoint background(int(row.width() * 0.35), row.center().y());
        const QColor unselected = view.viewport()->grab().toImage().pixelColor(background);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(engine->selectedFiles(), QSet<QUuid>{engine->files().at(1).id});
        QVERIFY(view.selectionModel()->isSelected(index));
        QVERIFY(view.viewport()->grab().toImage().pixelColor(background) != unselected);
        QTest::qWait(qApp->doubleClickInterval() + 50);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
        QVERIFY(engine->selectedFiles().isEmpty());
        QVERIFY(!view.selectionModel()->hasSelection());
        QCOMPARE(view.viewport()->grab().toImage().pixelColor(background), unselected);
    }

    // Where the changed part of a new name shows once the name is shortened in the middle.
    void changedPartOfAShortenedName_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("shownStart");
        QTest::addColumn<int>("shownEnd");
        // "abcdefghij" shown as "abc…hij"; the ellipsis is at 3.
        QTest::newRow("in the head") << 1 << 2 << 1 << 2;
        QTest::newRow("in the tail") << 8 << 9 << 5 << 6;
        QTest::newRow("cut out") << 4 << 6 << 3 << 4;
        QTest::newRow("only taken out, cut out") << 5 << 5 << 3 << 4;
        QTest::newRow("only taken out, in the tail") << 9 << 9 << 6 << 6;
    }

    void changedPartOfAShortenedName()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, shownStart);
        QFETCH(int, shownEnd);
        const ChangedSpan shown =
            LeftAlignedFileRow::shownSpan({start, end, true}, u"abcdefghij"_qs, u"abc…hij"_qs);
        QCOMPARE(shown, (ChangedSpan{shownStart, shownEnd, true}));
    }

    // Only a changed name has a tinted part.
    void changedPartIsTinted()
    {
        auto engine = makeEngine();
        engine->addFiles(urlsFor({u"ab.txt"_qs, u"cd.txt"_qs}));
        setFirstStep(*engine, replaceStep(u"a"_qs, u"x"_qs));
        LeftAlignedFileListView view(engine.get());
        view.resize(600, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage image = view.viewport()->grab().toImage();
        const QPalette &palette = view.palette();
        const QRgb tint =
            Colors::composited(Colors::withOpacity(Colors::blue(palette),
                                                   LeftAlignedFileRow::changedTint(palette)),
                               palette.color(QPalette::Base))
                .rgb();
        const auto tinted = [&](int row) {
            const QRect rect = view.visualRect(view.model()->index(row, 0));
            for (int x = rect.width() / 2; x < rect.right(); ++x) {
                for (int y = rect.top(); y < rect.bottom(); ++y) {
                    const QRgb seen = image.pixel(x, y);
                    if (qAbs(qRed(seen) - qRed(tint)) + qAbs(qGreen(seen) - qGreen(tint)) +
                            qAbs(qBlue(seen) - qBlue(tint)) <=
                        3)
                        return true;
                }
            }
            return false;
        };
        QVERIFY(tinted(0));
        QVERIFY(!tinted(1));
    }

    // A row tells the name as each step leaves it, in its tooltip and to a screen reader; its
    // problem stays in the tooltip.
    void rowTellsTheNameAfterEachStep()
    {
        auto engine = makeEngine();
        engine->addFiles(urlsFor({u"holiday 01.jpg"_qs, u"<b>x</b>.jpg"_qs}));
        engine->addOperation();
        engine->addOperation();
        engine->setOperation(1, {.mode = RenameMode::sequence, .sequenceBaseName = u"Holiday"_qs});
        engine->setOperation(2, appendStep(u" final/"_qs));
        setFirstStep(*engine, replaceStep(u" "_qs, u"_"_qs));
        LeftAlignedFileListView view(engine.get());
        QAbstractItemModelTester tester(view.model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QString steps = u"1. Replace: holiday_01.jpg\n"
                              "2. Sequence: Holiday - 01.jpg\n"
                              "3. Append: Holiday - 01 final/.jpg"_qs;
        const QModelIndex first = view.model()->index(0, 0);
        QCOMPARE(first.data(Qt::AccessibleDescriptionRole).toString(), steps);
        QCOMPARE(first.data(Qt::ToolTipRole).toString(),
                 u"Name after each step:\n"_qs + steps + u"\n\n"_qs +
                     first.data(FileListModel::ErrorMessageRole).toString());
        QVERIFY(!first.data(FileListModel::ErrorMessageRole).toString().isEmpty());
        QVERIFY(!Qt::mightBeRichText(view.model()->index(1, 0).data(Qt::ToolTipRole).toString()));
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
