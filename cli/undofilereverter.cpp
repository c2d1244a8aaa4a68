#include "undofilereverter.h"

#include "clioutput.h"
#include "disk/localpath.h"
#include "disk/posixfilemover.h"
#include "progressreporter.h"
#include "renameengine.h"

#include <QHash>

#include <cstdio>

namespace {

// Where each item of an undo entry is after a revert: under its name before, in its folder
// as it was before, since a renamed folder is taken back too.
class PlacesBefore {
public:
    explicit PlacesBefore(const UndoOperation &operation)
    {
        for (const UndoOperation::Entry &entry : operation.entries)
            m_nameBefore.insert(entry.path, entry.originalName);
    }

    QByteArray operator()(const QByteArray &path)
    {
        if (path.isEmpty() || path == "/")
            return path;
        if (const auto known = m_restored.constFind(path); known != m_restored.cend())
            return *known;
        const QByteArray name = m_nameBefore.value(path, LocalPath::nameOf(path));
        const QByteArray folder = (*this)(LocalPath::folderOf(path));
        QByteArray result =
            folder.endsWith('/') ? QByteArray(folder + name) : QByteArray(folder + '/' + name);
        m_restored.insert(path, result);
        return result;
    }

private:
    QHash<QByteArray, QByteArray> m_nameBefore;
    QHash<QByteArray, QByteArray> m_restored;
};

} // namespace

UndoFileReverter::UndoFileReverter(RenameEngine &engine) : m_engine(engine) {}

ExitStatus UndoFileReverter::revert(UndoFile::Contents contents, const QByteArray &filePath)
{
    PosixFileMover mover;
    if (contents.cutShort)
        std::fprintf(stderr,
                     "brisklet-cli: %s was cut short; the %lld renames before the cut are "
                     "taken back\n",
                     LocalPath::display(filePath).toUtf8().constData(),
                     qlonglong(contents.operation.entries.size()));
    if (contents.stage == UndoFile::Stage::planned) {
        const qsizetype plannedCount = contents.operation.entries.size();
        contents.operation = madeRenames(contents.operation, mover);
        std::fprintf(stderr,
                     "brisklet-cli: the batch of this undo file was stopped before its end; %lld "
                     "of the %lld renames it planned had been made\n",
                     qlonglong(contents.operation.entries.size()), qlonglong(plannedCount));
    }
    const UndoOperation &operation = contents.operation;
    ProgressReporter progress(QStringLiteral("Reverting"), stderr);
    m_engine.revertUndoOperation(
        operation, [&progress](qsizetype done, qsizetype total) { progress.report(done, total); });
    if (const QString refusal = m_engine.batchRefusal(); !refusal.isEmpty())
        return CliOutput::fail(ExitStatus::badUsage, refusal);

    PlacesBefore restore(operation);
    qsizetype notReverted = 0;
    for (const UndoOperation::Entry &entry : operation.entries) {
        if (mover.identity(restore(entry.path)) != entry.identity)
            ++notReverted;
    }
    const qsizetype total = operation.entries.size();
    CliOutput::write(
        QStringLiteral("Reverted %1 of %2 renames.").arg(total - notReverted).arg(total).toUtf8() +
        '\n');
    return notReverted > 0 ? ExitStatus::movesFailed : ExitStatus::success;
}

UndoOperation UndoFileReverter::madeRenames(const UndoOperation &planned, FileMover &mover)
{
    // Of a plan, only the renames that were made are taken back: those whose item is at
    // its new name, found by its identity. A folder the batch did not get to rename leaves
    // the items in it at their new names in the folder as it was.
    PlacesBefore restore(planned);
    UndoOperation made;
    made.timestamp = planned.timestamp;
    for (const UndoOperation::Entry &entry : planned.entries) {
        if (mover.identity(entry.path) == entry.identity) {
            made.entries.append(entry);
            continue;
        }
        const QByteArray folder = LocalPath::folderOf(entry.path);
        const QByteArray folderBefore = restore(folder);
        if (folderBefore == folder)
            continue;
        const QByteArray inFolderBefore = folderBefore + '/' + LocalPath::nameOf(entry.path);
        if (mover.identity(inFolderBefore) == entry.identity)
            made.entries.append({inFolderBefore, entry.originalName, entry.identity});
    }
    return made;
}
