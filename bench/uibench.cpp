#include "filelist/leftalignedfilelistview.h"
#include "memorypreferencesstore.h"
#include "posixfilemover.h"
#include "renameengine.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>

#include <memory>

namespace {

constexpr int listedFiles = 100'000;

// One engine with the files listed, shared by the list benchmarks: filling it is not what
// they measure.
RenameEngine &engineWithFiles()
{
    static const std::unique_ptr<RenameEngine> engine = [] {
        auto result = std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                                     std::make_unique<PosixFileMover>(), nullptr);
        QList<QUrl> urls;
        urls.reserve(listedFiles);
        for (int i = 0; i < listedFiles; ++i)
            urls.append(QUrl::fromLocalFile(
                QStringLiteral("/home/user/Pictures/Holiday %1/IMG_%2.JPG").arg(i % 50).arg(i)));
        result->addFiles(urls);
        RenameOperationWrapper operation = result->operations().first();
        operation.findText = QStringLiteral("IMG");
        operation.replaceText = QStringLiteral("Photo");
        result->setOperation(0, operation);
        result->updatePreview();
        return result;
    }();
    return *engine;
}

// From nothing to the first painted frame of a 900 x 600 list of 100,000 files.
void BM_FileListFirstShow(benchmark::State &state)
{
    RenameEngine &engine = engineWithFiles();
    for (auto _ : state) {
        auto view = std::make_unique<LeftAlignedFileListView>(&engine);
        view->resize(900, 600);
        view->show();
        QCoreApplication::processEvents();
        view->viewport()->repaint();
        state.PauseTiming();
        view.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FileListFirstShow)->Unit(benchmark::kMillisecond);

// Repainting every visible row, half-way down the list.
void BM_FileListFullRepaint(benchmark::State &state)
{
    RenameEngine &engine = engineWithFiles();
    LeftAlignedFileListView view(&engine);
    view.resize(900, 600);
    view.show();
    QCoreApplication::processEvents();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    for (auto _ : state)
        view.viewport()->repaint();
}
BENCHMARK(BM_FileListFullRepaint)->Unit(benchmark::kMillisecond);

// What the list adds to a keystroke in the editor: the model's turn of a preview into a
// data change, and the repaint that follows.
void BM_FileListPreviewToPaint(benchmark::State &state)
{
    RenameEngine &engine = engineWithFiles();
    LeftAlignedFileListView view(&engine);
    view.resize(900, 600);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        Q_EMIT engine.filesChanged();
        view.viewport()->repaint();
    }
}
BENCHMARK(BM_FileListPreviewToPaint)->Unit(benchmark::kMillisecond);

} // namespace
