#include "controls/focusedwheelcombobox.h"

#include "controls/groupdividerdelegate.h"
#include "style/colors.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QWheelEvent>

FocusedWheelComboBox::FocusedWheelComboBox(QWidget *parent) : QComboBox(parent)
{
    // The wheel must not hand the menu focus on its way past, or the next notch would
    // change the choice after all.
    setFocusPolicy(Qt::StrongFocus);
}

void FocusedWheelComboBox::setStartsGroup(int index)
{
    setItemData(index, true, GroupDividerDelegate::startsGroupRole);
    divideGroups();
}

void FocusedWheelComboBox::divideGroups()
{
    // Around the delegate the style chose, so the list keeps the style's look.
    auto *divider = qobject_cast<GroupDividerDelegate *>(itemDelegate());
    if (!divider) {
        divider = new GroupDividerDelegate(itemDelegate(), this);
        setItemDelegate(divider);
    }
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const bool menuLike = style()->styleHint(QStyle::SH_ComboBox_Popup, &option, this);
    divider->setGapBackground(menuLike ? QPalette::Window : QPalette::Base);
}

void FocusedWheelComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    // A new style may bring a delegate of its own.
    if (event->type() == QEvent::StyleChange && findChild<GroupDividerDelegate *>())
        divideGroups();
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
