#include "controls/horizontaldivider.h"

#include "style/colors.h"

#include <QPainter>

HorizontalDivider::HorizontalDivider(QWidget *parent) : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HorizontalDivider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Colors::withOpacity(Colors::primaryText(palette()), 0.12));
}
