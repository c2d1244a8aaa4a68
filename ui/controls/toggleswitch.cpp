#include "controls/toggleswitch.h"

#include "style/colors.h"
#include "style/fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

ToggleSwitch::ToggleSwitch(const QString &title, QWidget *parent) : QAbstractButton(parent)
{
    setText(title);
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::toggled, this, qOverload<>(&QWidget::update));
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetricsF metrics(Fonts::body());
    const qreal width = metrics.horizontalAdvance(text()) + titleSpacing + trackWidth + 2;
    return QSize(qCeil(width), qCeil(qMax(metrics.height(), trackHeight + 2)));
}

bool ToggleSwitch::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    if (!isEnabled())
        painter.setOpacity(0.4);

    const QFontMetricsF metrics(Fonts::body());
    const qreal titleWidth = metrics.horizontalAdvance(text());
    painter.setFont(Fonts::body());
    painter.setPen(Colors::primaryText(pal));
    painter.drawText(QRectF(0, 0, titleWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     text());

    const QRectF track(titleWidth + titleSpacing, (height() - trackHeight) / 2, trackWidth,
                       trackHeight);
    const qreal radius = trackHeight / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? Colors::blue(pal)
                                 : Colors::withOpacity(Colors::gray(pal), isDown() ? 0.5 : 0.35));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knobInset = 2;
    const qreal knob = trackHeight - knobInset * 2;
    const qreal knobX = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    const QRectF knobRect(knobX, track.top() + knobInset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);

    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Colors::withOpacity(Colors::blue(pal), 0.5), 2));
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }
}
