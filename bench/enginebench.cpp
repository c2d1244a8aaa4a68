#include "benchdata.h"
#include "fileinfo/fileinfocache.h"
#include "fileinfo/fileinforeader.h"
#include "files/fileorder.h"
#include "names/transformname.h"
#include "preview/parallelranges.h"
#include "samplemedia.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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

// The order of 100,000 listed files, worked out without changing the list: by name
// (natural order in the user's language) or by date modified, read from files on disk.
void BM_SortFiles100k(benchmark::State &state)
{
    const SortKey key = state.range(0) == 0 ? SortKey::name : SortKey::modified;
    QTemporaryDir folder;
    const auto engine = makeEngine();
    engine->addFiles(key == SortKey::modified ? sampleFilesIn(folder, 100000) : sampleUrls(100000));
    for (auto _ : state)
        benchmark::DoNotOptimize(FileOrder::sorted(engine->files(), key, Qt::AscendingOrder));
    state.SetLabel(rawValue(key).toStdString());
}
BENCHMARK(BM_SortFiles100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A new order of 100,000 files through the engine, with the 3-step stack numbering them:
// the rows put in their new order (reversed each round) and the preview that follows it.
void BM_ReorderFiles100k(benchmark::State &state)
{
    const auto engine = makeEngine();
    engine->addFiles(sampleUrls(100000));
    loadStack(*engine, threeStepStack());
    for (auto _ : state)
        engine->reverseFiles();
}
BENCHMARK(BM_ReorderFiles100k)->Unit(benchmark::kMillisecond);

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
        // Removing the files is no part of the batch: the folder goes before the clock runs.
        folder.remove();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PerformRename10k)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor BM_PerformRename10k is read against: the same renames, each one
// renameat2(RENAME_NOREPLACE) of a plain name relative to one open folder, the names made
// before the clock runs. Nothing that renames these files can take less.
void BM_BareRenameat2Loop10k(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        createFiles(folder.path(), u"file "_qs);
        std::vector<std::pair<std::string, std::string>> names;
        names.reserve(renameCount);
        for (int i = 0; i < renameCount; ++i)
            names.emplace_back("file " + std::to_string(i) + ".txt",
                               "renamed file " + std::to_string(i) + ".txt");
        const int opened =
            ::open(QFile::encodeName(folder.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        state.ResumeTiming();
        for (const auto &[from, to] : names) {
            if (::renameat2(opened, from.c_str(), opened, to.c_str(), RENAME_NOREPLACE) != 0)
                state.SkipWithError("a rename failed");
        }
        state.PauseTiming();
        ::close(opened);
        folder.remove();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BareRenameat2Loop10k)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same loop with the least a renamer that moves only the files it listed must add: before
// each rename, one fstatat of the name, its inode compared with the one listed.
void BM_CheckedRenameat2Loop10k(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        createFiles(folder.path(), u"file "_qs);
        const int opened =
            ::open(QFile::encodeName(folder.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        std::vector<std::tuple<std::string, std::string, ino_t>> names;
        names.reserve(renameCount);
        for (int i = 0; i < renameCount; ++i) {
            std::string from = "file " + std::to_string(i) + ".txt";
            struct stat listed = {};
            ::fstatat(opened, from.c_str(), &listed, AT_SYMLINK_NOFOLLOW);
            names.emplace_back(std::move(from), "renamed file " + std::to_string(i) + ".txt",
                               listed.st_ino);
        }
        state.ResumeTiming();
        for (const auto &[from, to, inode] : names) {
            struct stat item;
            if (::fstatat(opened, from.c_str(), &item, AT_SYMLINK_NOFOLLOW) != 0 ||
                item.st_ino != inode ||
                ::renameat2(opened, from.c_str(), opened, to.c_str(), RENAME_NOREPLACE) != 0)
                state.SkipWithError("a rename failed");
        }
        state.PauseTiming();
        ::close(opened);
        folder.remove();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CheckedRenameat2Loop10k)->Unit(benchmark::kMillisecond)->Iterations(5);

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

// A file's own information, read as a worker reads it: 10,000 files of one folder spread
// over the machine's cores, the files already in the page cache (they were just written,
// and are read once before the clock runs).
constexpr int mediaCount = 10000;

QList<QByteArray> mediaFiles(const QTemporaryDir &folder, bool photos)
{
    QList<QByteArray> paths;
    for (int i = 0; i < mediaCount; ++i) {
        const QString path = folder.filePath(
            u"%1 %2"_qs.arg(photos ? u"IMG"_qs : u"Song"_qs).arg(i, 5, 10, QChar(u'0')) +
            (photos ? u".jpg"_qs : u".mp3"_qs));
        const bool made =
            photos
                ? SampleMedia::writeJpeg(path,
                                         {QDateTime(QDate(2023, 1, 1), QTime(8, 0)).addSecs(i * 37),
                                          i % 2 ? u"Pixel 7"_qs : u"Canon EOS R6"_qs, 64, 48})
                : SampleMedia::writeAudio(path, SampleMedia::AudioFormat::mp3,
                                          {u"Artist %1"_qs.arg(i / 100), u"Album %1"_qs.arg(i / 12),
                                           u"Song number %1"_qs.arg(i), i % 12 + 1, 1990});
        if (!made)
            return {};
        paths.append(QFile::encodeName(path));
    }
    return paths;
}

void readInParallel(benchmark::State &state, bool photos)
{
    QTemporaryDir folder;
    const QList<QByteArray> paths = mediaFiles(folder, photos);
    if (paths.isEmpty()) {
        state.SkipWithError("the sample files could not be made");
        return;
    }
    QList<FileInfo> infos(paths.size());
    const auto readAll = [&] {
        FileInfo *const items = ParallelRanges::itemsToWrite(infos);
        ParallelRanges::run(paths.size(), 256, [&](qsizetype, qsizetype begin, qsizetype end) {
            for (qsizetype i = begin; i < end; ++i)
                items[i] = FileInfoReader::read(paths[i]);
        });
    };
    readAll();
    for (auto _ : state)
        readAll();
    const auto found = std::count_if(infos.cbegin(), infos.cend(), [photos](const FileInfo &info) {
        return photos ? info.dateTaken.has_value()
                      : !info.artist.isEmpty() && !info.title.isEmpty();
    });
    if (found != paths.size())
        state.SkipWithError("a file's information was not read");
    state.counters["files"] = double(paths.size());
}

void BM_ReadDateTaken10kJpeg(benchmark::State &state)
{
    readInParallel(state, true);
}
BENCHMARK(BM_ReadDateTaken10kJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadArtistTitle10kMp3(benchmark::State &state)
{
    readInParallel(state, false);
}
BENCHMARK(BM_ReadArtistTitle10kMp3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Filling the cache with what 10,000 photos (0) or songs (1) say, and its bytes a file.
void BM_FileInfoCache10k(benchmark::State &state)
{
    const bool songs = state.range(0) == 1;
    QList<FileInfo> infos;
    for (int i = 0; i < mediaCount; ++i) {
        FileInfo info;
        info.device = 2049;
        info.inode = 12345678 + quint64(i) * 3;
        info.size = 3500000 + i * 997;
        info.modifiedNanoseconds = 1700000000123456789 + qint64(i) * 1000000007;
        if (songs) {
            info.artist = u"Artist %1"_qs.arg(i / 100);
            info.album = u"Album called %1"_qs.arg(i / 12);
            info.title = u"A song named %1"_qs.arg(i);
            info.trackNumber = i % 12 + 1;
            info.year = 1960 + i % 60;
        } else {
            info.dateTaken = 1650000000000 + qint64(i) * 61000;
            info.cameraModel = i % 3 ? u"Pixel 7"_qs : u"Canon EOS R6"_qs;
            info.width = 4032;
            info.height = 3024;
        }
        infos.append(info);
    }
    size_t bytes = 0;
    for (auto _ : state) {
        FileInfoCache cache;
        for (const FileInfo &info : infos)
            cache.insert(info);
        for (const FileInfo &info : infos)
            benchmark::DoNotOptimize(
                cache.find(info.device, info.inode, info.size, info.modifiedNanoseconds));
        bytes = cache.memoryUsed();
    }
    state.counters["bytesPerFile"] = double(bytes) / mediaCount;
    state.SetLabel(songs ? "songs" : "photos");
}
BENCHMARK(BM_FileInfoCache10k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
