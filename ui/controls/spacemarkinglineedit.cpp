#include "controls/spacemarkinglineedit.h"

#include "style/colors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

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
    // An open box under each character, the usual sign for a visible space.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Colors::secondaryText(palette(), QPalette::Text), 1.2));
    const QFontMetricsF metrics(font());
    const QRectF visible = contentsRect();
    for (const QRectF &cell : cells) {
        if (!visible.contains(cell.center()))
            continue;
        const qreal width = qMax<qreal>(5, cell.width() - 1);
        const qreal left = cell.center().x() - width / 2;
        const qreal bottom = cell.center().y() + metrics.ascent() / 2 - 0.5;
        const qreal top = bottom - qMax<qreal>(2.5, metrics.xHeight() / 2.5);
        painter.drawPolyline(
            QPolygonF({QPointF(left, top), QPointF(left, bottom), QPointF(left + width, bottom),
                       QPointF(left + width, top)}));
    }
}
