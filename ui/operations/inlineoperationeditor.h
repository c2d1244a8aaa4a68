#pragma once

#include "controls/focusedwheelcombobox.h"
#include "names/renameenums.h"

#include <QPersistentModelIndex>
#include <QWidget>

class NumberBadge;
class OperationParametersEditor;
class QAbstractItemModel;
class QComboBox;
class QToolButton;

// One card of the operation stack: the step's number, the menu of modes and a remove
// button above the controls of the chosen mode. The card edits one row of an
// OperationStackModel: it reads the step from the row, writes it back with setData and
// removes it with removeRows; it never calls the engine itself.
//
// The card follows its row. When the row changes, the card shows the new values; a field
// being typed in keeps its cursor because it already shows the value. When rows come or go,
// the card shows its new number and whether it can be removed (not while it is the only one).
class InlineOperationEditor : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int index READ index NOTIFY indexChanged)
    Q_PROPERTY(bool canRemove READ canRemove NOTIFY canRemoveChanged)

public:
    InlineOperationEditor(QAbstractItemModel *model, int row, QWidget *parent = nullptr);

    QComboBox *modeMenu() const { return m_modeMenu; }
    // The card's row, or -1 once the row is gone.
    int index() const { return m_step.row(); }
    bool canRemove() const { return m_canRemove; }
    // Shows the row's number, removability and values.
    void refresh();

    OperationParametersEditor *parametersEditor() const { return m_parameters; }

    static QString title(RenameMode mode);
    static constexpr int cardPadding = 16;
    static constexpr qreal cornerRadius = 10;

Q_SIGNALS:
    void indexChanged(int index);
    void canRemoveChanged(bool canRemove);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void chooseMode(int comboIndex);
    void showPosition();
    void followRows(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                    const QList<int> &roles);

    QAbstractItemModel *m_model;
    QPersistentModelIndex m_step;
    int m_shownIndex = -1;
    bool m_canRemove = false;
    NumberBadge *m_badge;
    FocusedWheelComboBox *m_modeMenu;
    QToolButton *m_removeButton;
    OperationParametersEditor *m_parameters;
};
