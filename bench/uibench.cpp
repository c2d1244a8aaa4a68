#include "benchdata.h"
#include "filelist/leftalignedfilelistview.h"
#include "operations/operationstackmodel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <functional>
#include <map>
#include <memory>

namespace {

using namespace BenchData;

constexpr int listedFiles = 100'000;

// One engine per list length with the files listed, shared by the list benchmarks: filling
// it is not what they measure.
RenameEngine &engineWithFiles(int count = listedFiles)
{
    static std::map<int, std::unique_ptr<RenameEngine>> engines;
    std::unique_ptr<RenameEngine> &engine = engines[count];
    if (!engine) {
        engine = makeEngine();
        QList<QUrl> urls;
        urls.reserve(count);
        for (int i = 0; i < count; ++i)
            urls.append(QUrl::fromLocalFile(
                QStringLiteral("/home/user/Pictures/Holiday %1/IMG_%2.JPG").arg(i % 50).arg(i)));
        engine->addFiles(urls);
        RenameOperationWrapper operation = engine->operations().first();
        operation.findText = QStringLiteral("IMG");
        operation.replaceText = QStringLiteral("Photo");
        engine->setOperation(0, operation);
        engine->updatePreview();
    }
    return *engine;
}

// From nothing to the first painted frame of a 900 x 600 list of 100,000 files.
void firstShow(benchmark::State &state, int count)
{
    RenameEngine &engine = engineWithFiles(count);
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
void BM_FileListFirstShow(benchmark::State &state)
{
    firstShow(state, listedFiles);
}
BENCHMARK(BM_FileListFirstShow)->Unit(benchmark::kMillisecond);

void BM_FileListFirstShowMillion(benchmark::State &state)
{
    firstShow(state, 1'000'000);
    state.counters["rss_MB"] = static_cast<double>(residentKilobytes()) / 1024.0;
}
// Named after its list length, as the parametrised benchmarks are.
const auto *registeredFirstShowMillion =
    benchmark::RegisterBenchmark("BM_FileListFirstShow/1000000", BM_FileListFirstShowMillion)
        -> Unit(benchmark::kMillisecond);

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
        Q_EMIT engine.filesUpdated(0, engine.files().size() - 1);
        view.viewport()->repaint();
    }
}
BENCHMARK(BM_FileListPreviewToPaint)->Unit(benchmark::kMillisecond);

// One edit of a step of the 3-step stack (case-insensitive replace, title case, numbering),
// end to end: the editor's write through the stack model, the preview, the list model's
// change signals, the paint of the visible rows into an image at the window's size, and the
// counts the status badges show. `edit` turns the step one way or the other in turn.
void timeStepEdits(benchmark::State &state, int step,
                   const std::function<void(RenameOperationWrapper &, bool)> &edit)
{
    const auto owner = makeEngine();
    RenameEngine &engine = *owner;
    engine.addFiles(sampleUrls(state.range(0)));
    loadStack(engine, threeStepStack());
    RenameOperationWrapper operation = engine.operations().at(step);
    engine.updatePreview();

    OperationStackModel stack(&engine);
    LeftAlignedFileListView view(&engine);
    view.resize(900, 600);
    view.show();
    QCoreApplication::processEvents();
    QImage frame(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    const QModelIndex edited = stack.index(step);
    bool flipped = false;
    qsizetype counts = 0;
    for (auto _ : state) {
        flipped = !flipped;
        edit(operation, flipped);
        stack.setData(edited, QVariant::fromValue(operation), OperationStackModel::OperationRole);
        view.viewport()->render(&frame);
        counts += engine.conflictCount() + engine.errorCount();
    }
    benchmark::DoNotOptimize(counts);
    state.counters["files"] = static_cast<double>(state.range(0));
}

// One keystroke in the find field of the first step: typing the last letter of "img" and
// taking it back, which changes the names of one file in three.
void BM_KeystrokeToFrame(benchmark::State &state)
{
    timeStepEdits(state, 0, [](RenameOperationWrapper &replace, bool shorter) {
        replace.findText = shorter ? u"im"_qs : u"img"_qs;
    });
}
BENCHMARK(BM_KeystrokeToFrame)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same for an edit that changes every name: the case step between title and upper case.
void BM_KeystrokeEveryNameChanges(benchmark::State &state)
{
    timeStepEdits(state, 1, [](RenameOperationWrapper &caseStep, bool upper) {
        caseStep.caseType = upper ? CaseType::uppercase : CaseType::titleCase;
    });
}
BENCHMARK(BM_KeystrokeEveryNameChanges)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
