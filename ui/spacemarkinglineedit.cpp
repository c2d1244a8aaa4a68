#include "spacemarkinglineedit.h"

#include "colors.h"

#include <QFontMetricsF>
#include <QPainter>

SpaceMarkingLineEdit::SpaceMarkingLineEdit(QWidget *parent) : QLineEdit(parent)
{
    // The dots move with the text.
    connect(this, &QLineEdit::textChanged, this, qOverload<>(&QWidget::update));
}

QList<QRectF> SpaceMarkingLineEdit::markedCells() const
{
    const QString shown = displayText();
    if (echoMode() != Normal || shown.isEmpty())
        return {};
    qsizetype leading = 0;
    while (leading < shown.size() && shown.at(leading).isSpace())
        ++leading;
    qsizetype trailingStart = shown.size();
    while (trailingStart > leading && shown.at(trailingStart - 1).isSpace())
        --trailingStart;

    // The line edit scrolls its text; the cursor's rectangle tells where the text stands,
    // and the offsets of the other characters follow from the font.
    const QFontMetricsF metrics(font());
    const qreal cursorX = cursorRect().center().x();
    const qreal cursorAdvance = metrics.horizontalAdvance(shown.left(cursorPosition()));
    const QRect contents = cursorRect();
    QList<QRectF> cells;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i == leading && i < trailingStart) {
            i = trailingStart - 1;
            continue;
        }
        const qreal left = cursorX + metrics.horizontalAdvance(shown.left(i)) - cursorAdvance;
        const qreal width = metrics.horizontalAdvance(shown.at(i));
        cells.append(QRectF(left, contents.top(), width, contents.height()));
    }
    return cells;
}

void SpaceMarkingLineEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    const QList<QRectF> cells = markedCells();
    if (cells.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Colors::secondaryText(palette(), QPalette::Text));
    const qreal radius = qMax<qreal>(1.25, QFontMetricsF(font()).height() / 12);
    const QRectF visible = contentsRect();
    for (const QRectF &cell : cells) {
        if (visible.contains(cell.center()))
            painter.drawEllipse(cell.center(), radius, radius);
    }
}
