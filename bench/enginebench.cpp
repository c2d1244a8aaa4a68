#include "benchdata.h"
#include "names/transformname.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using namespace BenchData;

void BM_TransformName(benchmark::State &state)
{
    RenameOperationWrapper step;
    step.mode = static_cast<RenameMode>(state.range(0));
    step.findText = u"photo"_qs;
    step.replaceText = u"Pic"_qs;
    step.regexPattern = u"(\\d+)"_qs;
    step.regexReplacement = u"#$1"_qs;
    step.appendText = u"_final"_qs;
    step.prependText = u"2024-"_qs;
    step.trimType = TrimType::customCharacters;
    step.trimPosition = TrimPosition::both;
    step.customCharacters = u" _"_qs;
    step.caseType = CaseType::titleCase;
    const QList<RenameOperationWrapper> stack{step};
    const QString name = u"_holiday Photo 1234 beach_.jpeg"_qs;
    for (auto _ : state)
        benchmark::DoNotOptimize(transformName(name, stack, 7));
    state.SetLabel(rawValue(step.mode).toStdString());
}
BENCHMARK(BM_TransformName)->DenseRange(0, 6);

// A preview from scratch: each round loads one of two workflows that give the same names but
// differ in two steps, so nothing the last preview worked out can be used.
void BM_UpdatePreview(benchmark::State &state)
{
    const auto engine = makeEngine();
    engine->addFiles(sampleUrls(state.range(0)));
    QList<RenameOperationWrapper> stack = threeStepStack();
    loadStack(*engine, stack);
    engine->saveWorkflow(u"a"_qs);
    stack[0].findText = u"IMG"_qs;            // the search ignores case
    stack[2].sequenceBaseName = u"unused"_qs; // the step numbers the original name
    loadStack(*engine, stack);
    engine->saveWorkflow(u"b"_qs);
    bool first = false;
    for (auto _ : state) {
        first = !first;
        engine->loadWorkflow(first ? u"a"_qs : u"b"_qs);
    }
    state.counters["files"] = static_cast<double>(state.range(0));
    state.counters["rss_MB"] = static_cast<double>(residentKilobytes()) / 1024.0;
    state.counters["heap_MB"] = static_cast<double>(mallinfo2().uordblks) / 1048576.0;
}
BENCHMARK(BM_UpdatePreview)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// A keystroke with a file-info step in the stack, its files already read: in another step
// (0), where the dates the step put in are kept, or in the step's own date format, which
// formats the dates again: once a day for patterns of days only (1), every one for a
// pattern with a time of day (2).
void BM_FileInfoKeystroke(benchmark::State &state)
{
    const auto engine = makeEngine();
    engine->setFileInfoReader([](const QByteArray &path, bool) {
        FileInfo info;
        info.dateTaken = qint64(qHash(path) % 100000) * 3600000;
        return info;
    });
    engine->addFiles(sampleUrls(state.range(0)));
    RenameOperationWrapper info;
    info.mode = RenameMode::fileInfo;
    QList<RenameOperationWrapper> stack = threeStepStack();
    stack.prepend(info);
    loadStack(*engine, stack);
    engine->readFileInfoNow();
    const qsizetype step = state.range(1) == 0 ? 1 : 0;
    bool first = false;
    for (auto _ : state) {
        first = !first;
        RenameOperationWrapper edited = engine->operations().at(step);
        if (step == 0)
            edited.infoDateFormat = state.range(1) == 2
                                        ? (first ? u"yyyy-MM-dd HH"_qs : u"yyyy-MM-dd HH.mm"_qs)
                                        : (first ? u"dd.MM.yyyy"_qs : u"yyyy-MM-dd"_qs);
        else
            edited.replaceText = first ? u"Pic"_qs : u"Pict"_qs;
        engine->setOperation(step, edited);
        engine->updatePreview();
    }
    state.counters["files"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_FileInfoKeystroke)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({100000, 2})
    ->Unit(benchmark::kMillisecond);

// Times one addFiles call of all the URLs into a new engine.
void addFilesInOneCall(benchmark::State &state, const QList<QUrl> &urls)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = makeEngine();
        state.ResumeTiming();
        engine->addFiles(urls);
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
}

void BM_AddFiles100k(benchmark::State &state)
{
    addFilesInOneCall(state, sampleUrls(100000));
}
BENCHMARK(BM_AddFiles100k)->Unit(benchmark::kMillisecond);

void BM_AddFiles(benchmark::State &state)
{
    addFilesInOneCall(state, sampleUrls(state.range(0)));
    state.counters["files"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_AddFiles)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same as sampleUrls(), each one an empty file made in `folder`.
QList<QUrl> sampleFilesIn(const QTemporaryDir &folder, qsizetype count)
{
    QList<QUrl> urls = sampleUrls(count);
    for (QUrl &url : urls) {
        const QString path = folder.path() + u'/' + url.fileName();
        QFile(path).open(QIODevice::WriteOnly);
        url = QUrl::fromLocalFile(path);
    }
    return urls;
}

// The same with files that exist, so that reading each file's identity costs what it does
// on a real drop.
void BM_AddFiles100kOnDisk(benchmark::State &state)
{
    QTemporaryDir folder;
    const QList<QUrl> urls = sampleFilesIn(folder, 100000);
    addFilesInOneCall(state, urls);
}
BENCHMARK(BM_AddFiles100kOnDisk)->Unit(benchmark::kMillisecond);

// What the disk says of 100,000 new names before anything moves, here and now as the
// command line asks for it: which rows would be renamed, each new name looked up in its
// folder (which holds the files), and the answer taken in. The window has the same work
// done on a worker once the user pauses, all but choosing the rows and taking the answer in.
void BM_CheckOnDisk100k(benchmark::State &state)
{
    QTemporaryDir folder;
    const QList<QUrl> urls = sampleFilesIn(folder, 100000);
    const auto engine = makeEngine();
    engine->setDiskChecking(RenameEngine::DiskChecking::onRequest);
    engine->addFiles(urls);
    loadStack(*engine, threeStepStack());
    engine->updatePreview();
    for (auto _ : state)
        engine->checkOnDisk();
    state.counters["errors"] = static_cast<double>(engine->errorCount());
}
BENCHMARK(BM_CheckOnDisk100k)->Unit(benchmark::kMillisecond);

// Renaming on disk: the engine's batch against a bare loop of renameat2 calls over the
// same number of files in the same kind of folder.
constexpr int renameCount = 10000;

void createFiles(const QString &folder, const QString &prefix)
{
    for (int i = 0; i < renameCount; ++i) {
        QFile file(folder + u'/' + prefix + QString::number(i) + u".txt"_qs);
        file.open(QIODevice::WriteOnly);
    }
}

void BM_PerformRename10k(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        createFiles(folder.path(), u"file "_qs);
        auto engine = makeEngine();
        QList<QUrl> urls;
        for (int i = 0; i < renameCount; ++i)
            urls.append(QUrl::fromLocalFile(folder.path() + u"/file "_qs + QString::number(i) +
                                            u".txt"_qs));
        engine->addFiles(urls);
        RenameOperationWrapper step;
        step.mode = RenameMode::prepend;
        step.prependText = u"renamed "_qs;
        engine->setOperation(0, step);
        engine->updatePreview();
        state.ResumeTiming();
        const auto result = engine->performRename();
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        if (result.first != renameCount)
            state.SkipWithError("not every file was renamed");
        engine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PerformRename10k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BareRenameat2Loop10k(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        createFiles(folder.path(), u"file "_qs);
        const std::string base = QFile::encodeName(folder.path()).toStdString();
        state.ResumeTiming();
        for (int i = 0; i < renameCount; ++i) {
            const std::string from = base + "/file " + std::to_string(i) + ".txt";
            const std::string to = base + "/renamed file " + std::to_string(i) + ".txt";
            ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        }
    }
}
BENCHMARK(BM_BareRenameat2Loop10k)->Unit(benchmark::kMillisecond)->Iterations(5);

// Moves that are all refused because the case-only variant they ask for is another file
// in a case-sensitive folder: the cost has to stay in proportion to the number of moves.
void BM_BlockedCaseOnlyMoves(benchmark::State &state)
{
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    const QByteArray base = QFile::encodeName(folder.path());
    for (int i = 0; i < count; ++i) {
        for (const char *prefix : {"/file ", "/FILE "}) {
            const QByteArray path = base + prefix + QByteArray::number(i) + ".txt";
            ::close(::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600));
        }
    }
    PosixFileMover mover;
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            const QString number = QString::number(i);
            const auto result = mover.moveItem(
                QFile::encodeName(folder.path() + u"/file "_qs + number + u".txt"_qs),
                QFile::encodeName(folder.path() + u"/FILE "_qs + number + u".txt"_qs));
            if (result.succeeded)
                state.SkipWithError("a move replaced another file");
        }
    }
    state.counters["moves"] = static_cast<double>(count);
}
BENCHMARK(BM_BlockedCaseOnlyMoves)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
