#include "window/windowbars.h"

#include "style/colors.h"
#include "style/palettefollower.h"

#include <QFrame>
#include <QPalette>

namespace WindowBars {

QFrame *verticalDivider(int height, QWidget *parent)
{
    auto *divider = new QFrame(parent);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    divider->setFixedHeight(height);
    return divider;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QWidget *windowBar(QWidget *parent)
{
    auto *bar = new QWidget(parent);
    bar->setAutoFillBackground(true);
    PaletteFollower::follow(bar, [bar] {
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Window, Colors::windowBackground());
        bar->setPalette(palette);
    });
    return bar;
}

} // namespace WindowBars
