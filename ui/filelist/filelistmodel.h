#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

#include "renameengine.h"

// The engine's file list as a flat list model. The engine says how its list changed, and
// each of its change signals becomes the one model change that matches it: appended files
// one row insertion, removed files row removals, a preview or a batch one dataChanged over
// the rows, a cleared list a reset. Views therefore keep their scroll position and their
// selection while the user types. Which rows are selected is not data of the model: the
// file list's FileSelectionModel holds it.
class FileListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        FileIdRole = Qt::UserRole + 1,
        OriginalNameRole,
        NewNameRole,
        StatusRole,       // RenameStatus as int
        ErrorMessageRole, // QString, null when the file has no message
        FileTypeIconRole, // symbol name of the file-type tile
    };

    explicit FileListModel(RenameEngine *engine, QObject *parent = nullptr);

    RenameEngine *engine() const { return m_engine; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The same index as the base class gives, without its calls through rowCount and
    // columnCount: a list view's layout asks for the index of every row.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Rows are moved within the list only: dragged rows carry their ids under an internal
    // type, never their files, so nothing outside can move or copy a file from them.
    static QString rowIdsMimeType();
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    // Rows dropped before `row` (or at the end when it is -1) move there as one block.
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    bool moveRows(const QModelIndex &sourceParent, int sourceRow, int count,
                  const QModelIndex &destinationParent, int destinationChild) override;
    // The ids carried by dragged rows; none for any other data.
    static QList<QUuid> rowIds(const QMimeData *data);

    // The file shown in the row, or nullptr for a row that is not (or no longer) listed.
    const FileItem *fileAt(int row) const;

    // The icon of the file-type tile for a file name, chosen by its lower-cased extension.
    static QString fileTypeIcon(const QString &fileName);

private:
    // One line per step of the stack: its number, its mode and the file's name after it.
    QString namesAfterEachStep(const FileItem &file) const;
    void followAppended(qsizetype first, qsizetype count);
    void followRemoved(const QList<RenameEngine::RowSpan> &spans);
    void followUpdated(qsizetype first, qsizetype last);
    void followCleared();
    void followAboutToBeReordered();
    void followReordered();

    QPointer<RenameEngine> m_engine;
    // The rows as the views know them; the engine's list has them all but while a change of
    // it is being told.
    qsizetype m_rowCount = 0;
    // While removed rows leave one run after another, from the bottom up, the runs that are
    // still shown: gone from the engine's list, not yet from the views.
    QList<RenameEngine::RowSpan> m_leaving;
    // While the rows take a new order: the indexes views hold, and the file each stood for.
    QModelIndexList m_movingIndexes;
    QList<QUuid> m_movingIds;
};
