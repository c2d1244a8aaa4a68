#pragma once

#include "names/renameoperationwrapper.h"

#include <QAbstractListModel>
#include <QPointer>

class RenameEngine;

// The engine's operation stack as a list model, one row per step. Writing a step through
// setData stores it in the engine and runs the preview in the same call, so an editor has
// one thing to do per change. Steps are added at the end and removed anywhere through
// insertRows and removeRows; changes made elsewhere (a loaded workflow) reach the views as
// rows added or removed at the end and a change of the rows that stay, so cards that stay
// keep their focus.
class OperationStackModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        OperationRole = Qt::UserRole + 1, // RenameOperationWrapper
        PatternProblemRole,               // QString, empty while the step's pattern works
        ReplacementProblemRole,           // QString, empty while its replacement template works
    };

    explicit OperationStackModel(RenameEngine *engine, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Writes the step and runs the preview. The preview runs even when the step stays the
    // same: choosing the item already chosen in a menu still counts as a choice.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;
    // New steps go at the end of the stack only.
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

private:
    void followOperations();
    void announcePatternProblems();

    QPointer<RenameEngine> m_engine;
    int m_rows = 0;
    // While this model itself changes the engine, the engine's signals about it are ignored.
    bool m_applying = false;
};
