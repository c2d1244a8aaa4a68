#include "filelistmodel.h"
#include "leftalignedfilelistview.h"
#include "renamestatus.h"
#include "testregistry.h"
#include "uitesthelpers.h"

#include <QAbstractItemModelTester>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace UiTest;

class FileListModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void staysConsistentThroughEveryEngineChange();
    void previewIsDataChangeNotReset();
    void appendedFilesAreOneInsertion();
    void removedFilesAreRemovalsInRuns();
    void scrollPositionSurvivesTyping();
    void rowsShowTheEngineState();
    void fileTypeIcon_data();
    void fileTypeIcon();
};

void FileListModelTest::staysConsistentThroughEveryEngineChange()
{
    auto engine = makeEngine();
    FileListModel model(engine.get());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    engine->addFiles(urlsFor({QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    engine->addFiles(numberedUrls(20));
    editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
        operation.findText = QStringLiteral("file");
        operation.replaceText = QStringLiteral("doc");
    });
    for (int row : {0, 3, 4, 5, 9, 21})
        engine->toggleSelection(model.index(row).data(FileListModel::FileIdRole).toUuid());
    engine->removeSelectedFiles();
    QCOMPARE(model.rowCount(), 16);
    engine->performRename();
    QVERIFY(engine->undoLastRename());
    engine->clearAll();
    QCOMPARE(model.rowCount(), 0);
    engine->addFiles(urlsFor({QStringLiteral("c.txt")}));
    QCOMPARE(model.rowCount(), 1);
}

void FileListModelTest::previewIsDataChangeNotReset()
{
    auto engine = makeEngine();
    engine->addFiles(numberedUrls(5));
    FileListModel model(engine.get());
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);

    editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
        operation.mode = RenameMode::append;
        operation.appendText = QStringLiteral("_x");
    });

    QCOMPARE(resets.count(), 0);
    QCOMPARE(inserts.count(), 0);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.first().at(0).toModelIndex().row(), 0);
    QCOMPARE(changes.first().at(1).toModelIndex().row(), 4);
    QCOMPARE(model.index(2).data(FileListModel::NewNameRole).toString(),
             QStringLiteral("file 2_x.txt"));

    // A selection change touches only the selection role.
    engine->toggleSelection(engine->files().at(1).id);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.last().at(2).value<QList<int>>(), QList<int>{FileListModel::SelectedRole});
    QCOMPARE(model.index(1).data(FileListModel::SelectedRole).toBool(), true);
    QCOMPARE(model.index(0).data(FileListModel::SelectedRole).toBool(), false);
}

void FileListModelTest::appendedFilesAreOneInsertion()
{
    auto engine = makeEngine();
    engine->addFiles(numberedUrls(2));
    FileListModel model(engine.get());
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    engine->addFiles(
        urlsFor({QStringLiteral("x.png"), QStringLiteral("y.png"), QStringLiteral("z.png")}));

    QCOMPARE(resets.count(), 0);
    QCOMPARE(inserts.count(), 1);
    QCOMPARE(inserts.first().at(1).toInt(), 2);
    QCOMPARE(inserts.first().at(2).toInt(), 4);
    QCOMPARE(model.index(4).data().toString(), QStringLiteral("z.png"));
}

void FileListModelTest::removedFilesAreRemovalsInRuns()
{
    auto engine = makeEngine();
    engine->addFiles(numberedUrls(8));
    FileListModel model(engine.get());
    QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    // Rows 1-2 and 5 go: two runs, the lower one first so the upper keeps its numbers.
    for (int row : {1, 2, 5})
        engine->toggleSelection(engine->files().at(row).id);
    engine->removeSelectedFiles();

    QCOMPARE(resets.count(), 0);
    QCOMPARE(removals.count(), 2);
    QCOMPARE(removals.at(0).at(1).toInt(), 5);
    QCOMPARE(removals.at(0).at(2).toInt(), 5);
    QCOMPARE(removals.at(1).at(1).toInt(), 1);
    QCOMPARE(removals.at(1).at(2).toInt(), 2);
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.index(row).data().toString());
    QCOMPARE(names, (QStringList{QStringLiteral("file 0.txt"), QStringLiteral("file 3.txt"),
                                 QStringLiteral("file 4.txt"), QStringLiteral("file 6.txt"),
                                 QStringLiteral("file 7.txt")}));
}

void FileListModelTest::scrollPositionSurvivesTyping()
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

    for (const QString &typed : {QStringLiteral("f"), QStringLiteral("fi"), QStringLiteral("fil")})
        editFirstOperation(*engine,
                           [&](RenameOperationWrapper &operation) { operation.findText = typed; });
    engine->toggleSelection(engine->files().at(1000).id);

    QCOMPARE(view.verticalScrollBar()->value(), before);
}

void FileListModelTest::rowsShowTheEngineState()
{
    auto engine = makeEngine();
    engine->addFiles(
        urlsFor({QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
    FileListModel model(engine.get());
    // Every name becomes "same": all three conflict.
    editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
        operation.mode = RenameMode::regex;
        operation.regexPattern = QStringLiteral("^.*$");
        operation.regexReplacement = QStringLiteral("same");
    });
    const QModelIndex first = model.index(0);
    QCOMPARE(first.data(FileListModel::StatusRole).toInt(), int(RenameStatus::conflict));
    QCOMPARE(first.data(FileListModel::ErrorMessageRole).toString(),
             QStringLiteral("Duplicate filename"));
    QCOMPARE(first.data(FileListModel::NewNameRole).toString(), QStringLiteral("same"));
    QCOMPARE(first.data(Qt::ToolTipRole).toString(), QStringLiteral("Duplicate filename"));
    QCOMPARE(first.data(FileListModel::FileIdRole).toUuid(), engine->files().first().id);
    QVERIFY(!(model.flags(first) & Qt::ItemIsSelectable));
}

void FileListModelTest::fileTypeIcon_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");
    QTest::newRow("lower jpg") << "a.jpg"
                               << "photo.fill";
    QTest::newRow("capital JPG") << "IMG_0001.JPG"
                                 << "photo.fill";
    QTest::newRow("webp") << "a.webp"
                          << "photo.fill";
    QTest::newRow("mkv") << "film.MKV"
                         << "video.fill";
    QTest::newRow("flac") << "song.flac"
                          << "music.note";
    QTest::newRow("pdf") << "paper.pdf"
                         << "doc.text.fill";
    QTest::newRow("gz after tar") << "backup.tar.gz"
                                  << "archivebox.fill";
    QTest::newRow("md") << "README.md"
                        << "doc.plaintext.fill";
    QTest::newRow("cpp") << "main.cpp"
                         << "chevron.left.forwardslash.chevron.right";
    QTest::newRow("no extension") << "Makefile"
                                  << "doc.fill";
    QTest::newRow("unknown extension") << "a.docx"
                                       << "doc.fill";
    QTest::newRow("dot file") << ".png"
                              << "doc.fill";
    QTest::newRow("trailing dot") << "photo."
                                  << "doc.fill";
    QTest::newRow("near miss") << "a.jpgx"
                               << "doc.fill";
}

void FileListModelTest::fileTypeIcon()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);
    QCOMPARE(FileListModel::fileTypeIcon(name), icon);
}

BRISKLET_TEST(FileListModelTest)
#include "tst_filelistmodel.moc"
