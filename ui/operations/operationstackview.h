#pragma once

#include <QScrollArea>

class InlineOperationEditor;
class OperationStackModel;
class QVBoxLayout;
class RenameEngine;

// The scrolling column of operation cards, one per row of an OperationStackModel over the
// engine's stack. Cards come and go with the rows; a card that stays is never rebuilt, so a
// field being typed in keeps its focus and cursor.
class OperationStackView : public QScrollArea {
    Q_OBJECT

public:
    explicit OperationStackView(RenameEngine *engine, QWidget *parent = nullptr);

    OperationStackModel *model() const { return m_model; }
    QList<InlineOperationEditor *> cards() const { return m_cards; }

private:
    void addCards(int first, int last);
    void removeCards(int first, int last);
    void rebuild();

    OperationStackModel *m_model;
    QWidget *m_column;
    QVBoxLayout *m_layout;
    QList<InlineOperationEditor *> m_cards;
};
