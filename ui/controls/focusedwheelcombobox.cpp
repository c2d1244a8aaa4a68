#include "controls/focusedwheelcombobox.h"

#include "style/colors.h"

#include <QPainter>
#include <QWheelEvent>

FocusedWheelComboBox::FocusedWheelComboBox(QWidget *parent) : QComboBox(parent)
{
    // The wheel must not hand the menu focus on its way past, or the next notch would
    // change the choice after all.
    setFocusPolicy(Qt::StrongFocus);
}

void FocusedWheelComboBox::paintEvent(QPaintEvent *event)
{
    QComboBox::paintEvent(event);
    if (!hasFocus())
        return;
    // The style's own focus frame is too faint to find with the keyboard.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Colors::withOpacity(Colors::blue(palette()), 0.8), 2));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}

void FocusedWheelComboBox::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore(); // on to the parent, which scrolls
        return;
    }
    QComboBox::wheelEvent(event);
}
