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
        std::fprintf(
            stderr, "brisklet-cli: %s was cut short; taking back the %s before the cut\n",
            CliOutput::escaped(filePath).toUtf8().constData(),
            CliOutput::counted(contents.operation.entries.size(), "rename").toUtf8().constData());
    if (contents.stage == UndoFile::Stage::planned) {
        const qsizetype plannedCount = contents.operation.entries.size();
        contents.operation = madeRenames(contents.operation, mover);
        std::fprintf(stderr,
                     "brisklet-cli: the batch of this undo file was stopped before its end; it "
                     "had made %lld of the %s it planned\n",
                     qlonglong(contents.operation.entries.size()),
                     CliOutput::counted(plannedCount, "rename").toUtf8().constData());
    }
    const UndoOperation &operation = contents.operation;
    const qsizetype total = operation.entries.size();

    // Only the items still where the batch left them are moved: one already back under its
    // name before (a second revert) is counted as such, and one that is gone or replaced is
    // named, rather than left to a move that can only fail.
    PlacesBefore restore(operation);
    UndoOperation toMove;
    toMove.timestamp = operation.timestamp;
    qsizetype alreadyBack = 0;
    qsizetype notReverted = 0;
    for (const UndoOperation::Entry &entry : operation.entries) {
        const QByteArray before = restore(entry.path);
        const std::optional<ItemIdentity> here = mover.identity(entry.path);
        if (here == entry.identity && before != entry.path) {
            toMove.entries.append(entry);
        } else if (mover.identity(before) == entry.identity) {
            ++alreadyBack;
        } else {
            ++notReverted;
            CliOutput::fail(ExitStatus::movesFailed,
                            (here ? QStringLiteral("“%1” now holds another item than the one "
                                                   "renamed")
                                  : QStringLiteral("“%1” is not there"))
                                    .arg(CliOutput::escaped(entry.path)) %
                                QStringLiteral(": not given back its old name “%1”")
                                    .arg(CliOutput::escaped(entry.originalName)));
        }
    }
    if (!toMove.entries.isEmpty()) {
        ProgressReporter progress(QStringLiteral("Reverting"), stderr);
        m_engine.revertUndoOperation(
            toMove, [&progress](qsizetype done, qsizetype count) { progress.report(done, count); });
        progress.clear();
        if (const QString refusal = m_engine.batchRefusal(); !refusal.isEmpty())
            return CliOutput::fail(ExitStatus::badUsage, refusal);
    }
    for (const UndoOperation::Entry &entry : std::as_const(toMove.entries)) {
        if (mover.identity(restore(entry.path)) == entry.identity)
            continue;
        ++notReverted;
        CliOutput::fail(
            ExitStatus::movesFailed,
            QStringLiteral("“%1” could not be given back its old name “%2”")
                .arg(CliOutput::escaped(entry.path), CliOutput::escaped(entry.originalName)));
    }

    QString said = QStringLiteral("Reverted %1 of %2.")
                       .arg(total - alreadyBack - notReverted)
                       .arg(CliOutput::counted(total, "rename"));
    if (alreadyBack > 0 || notReverted > 0) {
        said.chop(1);
        if (alreadyBack > 0)
            said += alreadyBack == 1
                        ? QStringLiteral("; 1 already had its old name")
                        : QStringLiteral("; %1 already had their old names").arg(alreadyBack);
        if (notReverted > 0)
            said += QStringLiteral("; %1 could not be reverted").arg(notReverted);
        said += u'.';
    }
    CliOutput::write(said.toUtf8() + '\n');
    // What a revert is for, every item under its name before, holds when the items were
    // already back; anything else left where the batch put it is a failure.
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
