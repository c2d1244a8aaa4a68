#include "operations/operationstackview.h"

#include "operations/inlineoperationeditor.h"
#include "operations/operationstackmodel.h"

#include <QTimer>
#include <QVBoxLayout>

OperationStackView::OperationStackView(RenameEngine *engine, QWidget *parent)
    : QScrollArea(parent), m_model(new OperationStackModel(engine, this))
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The controls on the cards are the keyboard stops; the column itself would be one that
    // shows nothing.
    setFocusPolicy(Qt::NoFocus);

    m_column = new QWidget;
    m_layout = new QVBoxLayout(m_column);
    m_layout->setContentsMargins(16, 16, 16, 16);
    m_layout->setSpacing(16);
    m_layout->addStretch(1);
    setWidget(m_column);

    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { addCards(first, last); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { removeCards(first, last); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &OperationStackView::rebuild);
    rebuild();
}

void OperationStackView::addCards(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        auto *card = new InlineOperationEditor(m_model, row, m_column);
        m_layout->insertWidget(row, card);
        m_cards.insert(row, card);
    }
    if (m_cards.size() > 1 && last == m_cards.size() - 1) {
        // A step was just added: bring it into view.
        InlineOperationEditor *card = m_cards.last();
        QTimer::singleShot(0, card, [this, card] { ensureWidgetVisible(card); });
    }
}

void OperationStackView::removeCards(int first, int last)
{
    for (int row = last; row >= first; --row) {
        InlineOperationEditor *card = m_cards.takeAt(row);
        m_layout->removeWidget(card);
        card->hide();
        // The card may be the one whose remove button started this.
        card->deleteLater();
    }
}

void OperationStackView::rebuild()
{
    if (!m_cards.isEmpty())
        removeCards(0, int(m_cards.size() - 1));
    if (const int rows = m_model->rowCount(); rows > 0)
        addCards(0, rows - 1);
}
