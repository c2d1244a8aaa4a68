#pragma once

#include <QScrollArea>

class InlineOperationEditor;
class QVBoxLayout;
class RenameEngine;

// The scrolling column of operation cards, one per step of the engine's stack. Cards are
// kept while the stack changes, so a field being typed in keeps its focus and cursor.
class OperationStackView : public QScrollArea {
    Q_OBJECT

public:
    explicit OperationStackView(RenameEngine *engine, QWidget *parent = nullptr);

    QList<InlineOperationEditor *> cards() const { return m_cards; }

private:
    void sync();

    RenameEngine *m_engine;
    QWidget *m_column;
    QVBoxLayout *m_layout;
    QList<InlineOperationEditor *> m_cards;
};
