#include "controls/numberbadge.h"

#include "style/colors.h"
#include "style/fonts.h"

#include <QPainter>

NumberBadge::NumberBadge(int number, QWidget *parent) : QWidget(parent), m_number(number)
{
    setFixedSize(side, side);
    setAccessibleName(QString::number(number));
}

void NumberBadge::setNumber(int number)
{
    if (number == m_number)
        return;
    m_number = number;
    setAccessibleName(QString::number(number));
    update();
    Q_EMIT numberChanged(number);
}

QSize NumberBadge::sizeHint() const
{
    return QSize(side, side);
}

void NumberBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // The small white number needs a deeper blue than the accent to be read.
    painter.setBrush(Colors::fillUnderWhiteText(Colors::blue(palette())));
    painter.drawEllipse(QRectF(0, 0, side, side));
    painter.setFont(Fonts::withWeight(Fonts::caption(), QFont::DemiBold));
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, side, side), Qt::AlignCenter, QString::number(m_number));
}
