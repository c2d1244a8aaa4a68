#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QUuid>

#include "renameengine.h"

// The engine's file list as a flat list model. It keeps only the row identities and turns
// each change of the engine into the smallest model change it can: a preview becomes
// dataChanged over the rows, appended files become one row insertion, removed files become
// row removals. Only a reordering falls back to a reset. Views therefore keep their scroll
// position while the user types.
class FileListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        FileIdRole = Qt::UserRole + 1,
        OriginalNameRole,
        NewNameRole,
        StatusRole,       // RenameStatus as int
        ErrorMessageRole, // QString, null when the file has no message
        SelectedRole,     // bool; setting it selects or deselects the file in the engine
        FileTypeIconRole, // symbol name of the file-type tile
    };

    explicit FileListModel(RenameEngine *engine, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The same index as the base class gives, without its calls through rowCount and
    // columnCount: a list view's layout asks for the index of every row.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The icon of the file-type tile for a file name, chosen by its lower-cased extension.
    static QString fileTypeIcon(const QString &fileName);

private:
    // The file shown in the row, or nullptr for a row that is not (or no longer) listed.
    const FileItem *fileAt(int row) const;
    void syncFiles();
    void announceSelection();

    QPointer<RenameEngine> m_engine;
    // The id of each row, as the views know the rows.
    QList<QUuid> m_ids;
    // The engine's rows version when the rows were last matched against it; none yet.
    quint64 m_rowsVersion = ~quint64(0);
    // While rows are being removed step by step, the engine index of each remaining row;
    // empty when rows and engine indices coincide.
    QList<qsizetype> m_engineRows;
};
