#include "filelist/fileselectionmodel.h"

#include "filelist/filelistmodel.h"
#include "renameengine.h"

#include <QScopedValueRollback>

FileSelectionModel::FileSelectionModel(FileListModel *model, QObject *parent)
    : QItemSelectionModel(model, parent), m_files(model)
{
    if (RenameEngine *engine = model->engine()) {
        connect(engine, &RenameEngine::selectedFilesChanged, this,
                &FileSelectionModel::followEngine);
        followEngine();
    }
}

void FileSelectionModel::select(const QItemSelection &selection, SelectionFlags command)
{
    // Shown here first, so that whoever hears from the engine finds both in step.
    QItemSelectionModel::select(selection, command);
    if (!m_following)
        tellEngine(selection, command);
}

void FileSelectionModel::tellEngine(const QItemSelection &selection, SelectionFlags command)
{
    RenameEngine *engine = m_files->engine();
    if (!engine || command == NoUpdate)
        return;
    const QScopedValueRollback telling(m_telling, true);
    const auto follow = [&](int row) {
        const FileItem *file = m_files->fileAt(row);
        if (file && engine->selectedFiles().contains(file->id) != isSelected(m_files->index(row)))
            engine->toggleSelection(file->id);
    };
    if (command & Clear) {
        engine->deselectAll();
        const QModelIndexList rows = selectedIndexes();
        for (const QModelIndex &index : rows)
            follow(index.row());
        return;
    }
    // Only the rows named can have changed.
    for (const QItemSelectionRange &range : selection) {
        if (range.model() != m_files)
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            follow(row);
    }
}

void FileSelectionModel::followEngine()
{
    RenameEngine *engine = m_files->engine();
    if (m_telling || !engine)
        return;
    const QScopedValueRollback following(m_following, true);
    const QSet<QUuid> &selected = engine->selectedFiles();
    if (selected.isEmpty()) {
        clearSelection();
        return;
    }
    // Made in the engine, not here: the selected rows are found by their ids, in runs.
    QItemSelection shown;
    const int rows = m_files->rowCount();
    for (int row = 0; row < rows; ++row) {
        const FileItem *file = m_files->fileAt(row);
        if (!file || !selected.contains(file->id))
            continue;
        const int first = row;
        while (row + 1 < rows && (file = m_files->fileAt(row + 1)) && selected.contains(file->id))
            ++row;
        shown.append(QItemSelectionRange(m_files->index(first), m_files->index(row)));
    }
    select(shown, ClearAndSelect);
}
