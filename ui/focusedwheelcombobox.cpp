#include "focusedwheelcombobox.h"

#include <QWheelEvent>

FocusedWheelComboBox::FocusedWheelComboBox(QWidget *parent) : QComboBox(parent)
{
    // The wheel must not hand the menu focus on its way past, or the next notch would
    // change the choice after all.
    setFocusPolicy(Qt::StrongFocus);
}

void FocusedWheelComboBox::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore(); // on to the parent, which scrolls
        return;
    }
    QComboBox::wheelEvent(event);
}
