#include "filelistmodel.h"
#include "filerowdelegate.h"
#include "leftalignedfilelistview.h"
#include "leftalignedfilerow.h"
#include "modernfiledropzone.h"
#include "testregistry.h"
#include "uitesthelpers.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace UiTest;

namespace {

// Sends a whole drag (enter, move, drop) to a widget and answers whether the drop was taken.
bool dropOn(QWidget *target, const QList<QUrl> &urls, const QString &text = QString())
{
    QMimeData mimeData;
    if (!urls.isEmpty())
        mimeData.setUrls(urls);
    if (!text.isNull())
        mimeData.setText(text);
    const QPoint position = target->rect().center();
    QDragEnterEvent enter(position, Qt::CopyAction, &mimeData, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(position, Qt::CopyAction, &mimeData, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(position), Qt::CopyAction, &mimeData, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

FileItem fileWith(const QString &original, const QString &newName, RenameStatus status,
                  std::optional<QString> message = std::nullopt)
{
    FileItem file;
    file.id = QUuid::createUuid();
    file.originalName = original;
    file.newName = newName;
    file.status = status;
    file.errorMessage = std::move(message);
    return file;
}

} // namespace

class FileListViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clickAnywhereOnRowToggles_data();
    void clickAnywhereOnRowToggles();
    void quickSecondClickTogglesAgain();
    void clickBelowTheRowsDoesNothing();
    void dropAddsAllFilesInOneCall_data();
    void dropAddsAllFilesInOneCall();
    void dropWithoutFilesIsAcceptedAndAddsNothing();
    void dropZoneTurnsBlueWhileTargeted();
    void arrowColumnStaysInTheMiddle_data();
    void arrowColumnStaysInTheMiddle();
    void problemPillOnlyForConflictsAndErrors_data();
    void problemPillOnlyForConflictsAndErrors();
    void longNamesAreCutInTheMiddle();
};

void FileListViewTest::clickAnywhereOnRowToggles_data()
{
    QTest::addColumn<qreal>("xFraction");
    QTest::newRow("tile") << 0.03;
    QTest::newRow("current name") << 0.12;
    QTest::newRow("empty space between the names") << 0.35;
    QTest::newRow("arrow") << 0.5;
    QTest::newRow("new name") << 0.56;
    QTest::newRow("trailing edge") << 0.99;
}

void FileListViewTest::clickAnywhereOnRowToggles()
{
    QFETCH(qreal, xFraction);
    auto engine = makeEngine();
    engine->addFiles(
        urlsFor({QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
    LeftAlignedFileListView view(engine.get());
    view.resize(800, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    const QRect row = view.visualRect(view.model()->index(1, 0));
    const QPoint point(int(row.width() * xFraction), row.center().y());
    const QUuid id = engine->files().at(1).id;
    QSignalSpy previews(engine.get(), &RenameEngine::filesChanged);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(engine->selectedFiles(), QSet<QUuid>{id});
    QTest::qWait(qApp->doubleClickInterval() + 50);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
    QVERIFY(engine->selectedFiles().isEmpty());
    // Selection never recomputes the preview.
    QCOMPARE(previews.count(), 0);
}

void FileListViewTest::quickSecondClickTogglesAgain()
{
    auto engine = makeEngine();
    engine->addFiles(urlsFor({QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    LeftAlignedFileListView view(engine.get());
    view.resize(600, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QPointF point = view.visualRect(view.model()->index(0, 0)).center();
    const auto send = [&](QEvent::Type type) {
        QMouseEvent event(type, point, view.viewport()->mapToGlobal(point), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &event);
    };

    // Two quick clicks on one row reach the list as a click and a double click: they are
    // two toggles, so the row ends up as it was.
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    QCOMPARE(engine->selectedFiles().size(), 1);
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
    QVERIFY(engine->selectedFiles().isEmpty());
}

void FileListViewTest::clickBelowTheRowsDoesNothing()
{
    auto engine = makeEngine();
    engine->addFiles(urlsFor({QStringLiteral("a.txt")}));
    LeftAlignedFileListView view(engine.get());
    view.resize(600, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(300, 350));
    QVERIFY(engine->selectedFiles().isEmpty());
}

void FileListViewTest::dropAddsAllFilesInOneCall_data()
{
    QTest::addColumn<bool>("onZone");
    QTest::newRow("list") << false;
    QTest::newRow("drop zone") << true;
}

void FileListViewTest::dropAddsAllFilesInOneCall()
{
    QFETCH(bool, onZone);
    auto engine = makeEngine();
    engine->addFiles(urlsFor({QStringLiteral("existing.txt")}));
    LeftAlignedFileListView view(engine.get());
    ModernFileDropZone zone(engine.get());
    QWidget *target = onZone ? static_cast<QWidget *>(&zone) : view.viewport();
    target->window()->resize(600, 400);
    QSignalSpy inserted(view.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy filesChanged(engine.get(), &RenameEngine::filesChanged);

    QList<QUrl> urls =
        urlsFor({QStringLiteral("c.jpg"), QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    // A web link among the files is not a file and is left out.
    urls.insert(1, QUrl(QStringLiteral("https://example.org/page.html")));
    QVERIFY(dropOn(target, urls));

    // One addition: one insertion of all three rows and one preview after it.
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 1);
    QCOMPARE(inserted.first().at(2).toInt(), 3);
    QCOMPARE(filesChanged.count(), 2);
    QStringList names;
    for (const FileItem &file : engine->files())
        names.append(file.originalName);
    QCOMPARE(names, (QStringList{QStringLiteral("existing.txt"), QStringLiteral("c.jpg"),
                                 QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
    QVERIFY(!zone.isTargeted());
}

void FileListViewTest::dropWithoutFilesIsAcceptedAndAddsNothing()
{
    auto engine = makeEngine();
    LeftAlignedFileListView view(engine.get());
    QSignalSpy filesChanged(engine.get(), &RenameEngine::filesChanged);
    // A file URL without a path is taken and leads nowhere.
    QVERIFY(dropOn(view.viewport(), {QUrl(QStringLiteral("file:"))}));
    QCOMPARE(filesChanged.count(), 0);
    QVERIFY(engine->files().isEmpty());
    // Web links and plain text are not drags of files at all.
    QVERIFY(!dropOn(view.viewport(), {QUrl(QStringLiteral("https://example.org/"))}));
    QVERIFY(!dropOn(view.viewport(), {}, QStringLiteral("hello")));
}

void FileListViewTest::dropZoneTurnsBlueWhileTargeted()
{
    auto engine = makeEngine();
    ModernFileDropZone zone(engine.get());
    zone.resize(400, 400);
    QMimeData mimeData;
    mimeData.setUrls(urlsFor({QStringLiteral("a.txt")}));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mimeData, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&zone, &enter);
    QVERIFY(zone.isTargeted());
    const QImage targeted = zone.grab().toImage();
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&zone, &leave);
    QVERIFY(!zone.isTargeted());
    const QImage resting = zone.grab().toImage();
    // The circle's centre carries the accent: blue while targeted, grey otherwise.
    const QColor targetedCircle = targeted.pixelColor(200, 150);
    const QColor restingCircle = resting.pixelColor(200, 150);
    QVERIFY2(targetedCircle.blue() > targetedCircle.red() + 20, qPrintable(targetedCircle.name()));
    QVERIFY2(qAbs(restingCircle.blue() - restingCircle.red()) < 12,
             qPrintable(restingCircle.name()));
}

void FileListViewTest::arrowColumnStaysInTheMiddle_data()
{
    QTest::addColumn<qreal>("width");
    QTest::addColumn<QString>("originalName");
    QTest::newRow("short name") << 900.0 << "a.txt";
    QTest::newRow("long name") << 900.0 << QString(300, u'x');
    QTest::newRow("wide window") << 1600.0 << QString(300, u'x');
    QTest::newRow("narrow window") << 420.0 << "photo.jpg";
}

void FileListViewTest::arrowColumnStaysInTheMiddle()
{
    QFETCH(qreal, width);
    QFETCH(QString, originalName);
    const FileItem file = fileWith(originalName, QStringLiteral("b.txt"), RenameStatus::pending);
    const LeftAlignedFileRow row(file, false, width / 2);
    const auto geometry = row.layout(QRectF(0, 0, width, LeftAlignedFileRow::height));

    QCOMPARE(geometry.arrow.center().x(), width / 2);
    QCOMPARE(geometry.arrow.width(), LeftAlignedFileRow::arrowCellWidth);
    QCOMPARE(geometry.tile.left(), LeftAlignedFileRow::outerPadding);
    QVERIFY(geometry.originalName.right() <= geometry.arrow.left() + 0.5);
    QCOMPARE(geometry.newName.left(), geometry.arrow.right());
}

void FileListViewTest::problemPillOnlyForConflictsAndErrors_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("hasPill");
    QTest::addColumn<QString>("icon");
    QTest::newRow("pending with a leftover message") << int(RenameStatus::pending) << false << "";
    QTest::newRow("success with a leftover message") << int(RenameStatus::success) << false << "";
    QTest::newRow("conflict") << int(RenameStatus::conflict) << true
                              << "exclamationmark.circle.fill";
    QTest::newRow("error") << int(RenameStatus::error) << true << "exclamationmark.triangle.fill";
}

void FileListViewTest::problemPillOnlyForConflictsAndErrors()
{
    QFETCH(int, status);
    QFETCH(bool, hasPill);
    QFETCH(QString, icon);
    const FileItem file = fileWith(QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                                   RenameStatus(status), QStringLiteral("Duplicate filename"));
    const LeftAlignedFileRow row(file, false, 400);
    const auto geometry = row.layout(QRectF(0, 0, 800, LeftAlignedFileRow::height));
    QCOMPARE(!geometry.pill.isEmpty(), hasPill);
    if (hasPill) {
        QCOMPARE(row.problemIcon(), icon);
        QCOMPARE(geometry.pillMessage, QStringLiteral("Duplicate filename"));
        QVERIFY(geometry.pill.left() >= geometry.newName.right() + LeftAlignedFileRow::spacing - 1);
        QVERIFY(geometry.pill.right() <= 800 - LeftAlignedFileRow::outerPadding + 0.5);
    }
}

void FileListViewTest::longNamesAreCutInTheMiddle()
{
    const QString name = QStringLiteral("BEGIN") + QString(400, u'm') + QStringLiteral("END.txt");
    const FileItem file = fileWith(name, name, RenameStatus::error, QString());
    const LeftAlignedFileRow row(file, false, 300);
    const auto geometry = row.layout(QRectF(0, 0, 600, LeftAlignedFileRow::height));
    for (const QString &shown : {geometry.originalNameText, geometry.newNameText}) {
        QVERIFY2(shown.startsWith(QStringLiteral("BEGIN")), qPrintable(shown));
        QVERIFY2(shown.endsWith(QStringLiteral("END.txt")), qPrintable(shown));
        QVERIFY(shown.contains(QChar(0x2026)));
    }
    // An error without a message still gets its pill, with empty text.
    QVERIFY(!geometry.pill.isEmpty());
    QVERIFY(geometry.pillMessage.isEmpty());
}

BRISKLET_TEST(FileListViewTest)
#include "tst_filelistview.moc"
