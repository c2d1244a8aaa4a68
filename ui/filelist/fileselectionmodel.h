#pragma once

#include <QItemSelectionModel>

class FileListModel;

// Which rows of the file list are selected, as the list, its painting and screen readers see
// it, always in step with the engine's selected files. The engine's set stays the record:
// removing the selected files and the bars read it there. A change made here (a click,
// Space, a screen reader selecting or toggling a row) is passed on to the engine; a change
// made in the engine (Deselect All, removing or clearing files) is shown here.
class FileSelectionModel : public QItemSelectionModel {
    Q_OBJECT

public:
    explicit FileSelectionModel(FileListModel *model, QObject *parent = nullptr);

    using QItemSelectionModel::select;
    void select(const QItemSelection &selection, SelectionFlags command) override;

private:
    void followEngine();
    void tellEngine(const QItemSelection &selection, SelectionFlags command);

    FileListModel *m_files;
    bool m_following = false; // showing here what the engine holds
    bool m_telling = false;   // passing a change made here on to the engine
};
