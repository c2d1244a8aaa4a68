#include "operations/operationstackview.h"

#include "operations/inlineoperationeditor.h"
#include "operations/operationparameterseditor.h"
#include "renameengine.h"

#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

OperationStackView::OperationStackView(RenameEngine *engine, QWidget *parent)
    : QScrollArea(parent), m_engine(engine)
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

    connect(engine, &RenameEngine::operationsChanged, this, &OperationStackView::sync);
    // A pattern can run out of time on files added after it was typed.
    connect(engine, &RenameEngine::filesChanged, this, [this] {
        for (InlineOperationEditor *card : std::as_const(m_cards))
            card->parametersEditor()->showPatternProblem();
    });
    sync();
}

void OperationStackView::sync()
{
    const qsizetype count = m_engine->operations().size();
    const bool canRemove = count > 1;
    const QPointer<RenameEngine> engine(m_engine);

    while (m_cards.size() > count) {
        InlineOperationEditor *card = m_cards.takeLast();
        m_layout->removeWidget(card);
        card->hide();
        // The card may be the one whose remove button started this.
        card->deleteLater();
    }
    for (qsizetype i = 0; i < count; ++i) {
        if (i < m_cards.size()) {
            InlineOperationEditor *card = m_cards[i];
            card->setIndex(static_cast<int>(i));
            card->setCanRemove(canRemove);
            card->refresh();
            continue;
        }
        auto *card = new InlineOperationEditor(
            OperationBinding::toEngine(m_engine, i), static_cast<int>(i), canRemove,
            // Cards stand for positions, so card i always removes step i.
            [engine, i] {
                if (engine)
                    engine->removeOperation(i);
            },
            [engine] {
                if (engine)
                    engine->updatePreview();
            },
            m_column);
        m_layout->insertWidget(m_layout->count() - 1, card);
        m_cards.append(card);
        if (m_cards.size() > 1 && i == count - 1) {
            // A step was just added: bring it into view.
            QTimer::singleShot(0, this, [this, card] { ensureWidgetVisible(card); });
        }
    }
}
