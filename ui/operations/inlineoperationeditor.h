#pragma once

#include "operations/operationbinding.h"
#include "renameenums.h"

#include <QWidget>

#include <functional>

class NumberBadge;
class OperationParametersEditor;
class QComboBox;
class QToolButton;

// One card of the operation stack: the step's number, the menu of modes and a remove
// button above the controls of the chosen mode. The card edits the record through its
// binding and reports through its two callbacks; it never calls the engine itself.
//
// Cards are identified by their position. When the stack changes, the owner keeps the
// cards it has, hands each its (possibly new) index and removability, and calls refresh;
// a field being typed in keeps its cursor because it already shows the value.
class InlineOperationEditor : public QWidget {
    Q_OBJECT

public:
    QComboBox *modeMenu() const { return m_modeMenu; }
    InlineOperationEditor(OperationBinding binding, int index, bool canRemove,
                          std::function<void()> onRemove, std::function<void()> onChange,
                          QWidget *parent = nullptr);

    int index() const { return m_index; }
    void setIndex(int index);
    bool canRemove() const { return m_canRemove; }
    void setCanRemove(bool canRemove);
    void setBinding(OperationBinding binding);
    void refresh();

    OperationParametersEditor *parametersEditor() const { return m_parameters; }

    static QString title(RenameMode mode);
    static constexpr int cardPadding = 16;
    static constexpr qreal cornerRadius = 10;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void chooseMode(int comboIndex);

    OperationBinding m_binding;
    int m_index;
    bool m_canRemove;
    std::function<void()> m_onRemove;
    std::function<void()> m_onChange;
    NumberBadge *m_badge;
    QComboBox *m_modeMenu;
    QToolButton *m_removeButton;
    OperationParametersEditor *m_parameters;
};
