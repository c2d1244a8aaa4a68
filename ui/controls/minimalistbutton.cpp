#include "controls/minimalistbutton.h"

#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <QVariantAnimation>

namespace {

constexpr qreal restingPadding = 8;
constexpr qreal hoveredPadding = 10;
constexpr qreal verticalPadding = 6;
constexpr qreal captionSpacing = 6;
constexpr qreal cornerRadius = 6;

} // namespace

MinimalistButton::MinimalistButton(const QString &icon, const QString &label, const QColor &color,
                                   std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent), m_icon(icon), m_label(label), m_color(color),
      m_action(std::move(action)), m_animation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setText(label);
    setAccessibleName(label);
    m_animation->setDuration(animationMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_progress = value.toReal();
        updateGeometry();
        update();
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void MinimalistButton::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    Q_EMIT colorChanged(color);
}

void MinimalistButton::setHoveredImmediately(bool hovered)
{
    m_animation->stop();
    m_hovered = hovered;
    m_progress = hovered ? 1 : 0;
    updateGeometry();
    update();
}

void MinimalistButton::setHovered(bool hovered)
{
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    m_animation->stop();
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(hovered ? 1.0 : 0.0);
    m_animation->start();
}

void MinimalistButton::enterEvent(QEnterEvent *event)
{
    if (isEnabled())
        setHovered(true);
    QAbstractButton::enterEvent(event);
}

void MinimalistButton::leaveEvent(QEvent *event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void MinimalistButton::changeEvent(QEvent *event)
{
    // A button disabled under the pointer would otherwise stay widened.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        setHovered(false);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QAbstractButton::changeEvent(event);
}

void MinimalistButton::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason ||
                      event->reason() == Qt::BacktabFocusReason ||
                      event->reason() == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void MinimalistButton::focusOutEvent(QFocusEvent *event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

bool MinimalistButton::captionAlwaysShown() const
{
    return !Icons::isAvailable() || Icons::glyph(m_icon).isEmpty();
}

qreal MinimalistButton::captionProgress() const
{
    return captionAlwaysShown() ? 1.0 : m_progress;
}

QSizeF MinimalistButton::iconSize() const
{
    if (captionAlwaysShown())
        return QSizeF(0, 0);
    const qreal side = Fonts::symbolSize(Fonts::body());
    return QSizeF(side, side);
}

qreal MinimalistButton::captionWidth() const
{
    return QFontMetricsF(Fonts::body()).horizontalAdvance(m_label);
}

QSize MinimalistButton::sizeHint() const
{
    const qreal progress = captionProgress();
    const qreal padding = restingPadding + (hoveredPadding - restingPadding) * m_progress;
    const QSizeF icon = iconSize();
    const qreal gap = icon.isEmpty() ? 0 : captionSpacing;
    const qreal width = padding * 2 + icon.width() + (gap + captionWidth()) * progress;
    const qreal contentHeight = qMax(icon.height(), QFontMetricsF(Fonts::body()).height());
    return QSize(qCeil(width), qCeil(contentHeight + verticalPadding * 2));
}

QSize MinimalistButton::minimumSizeHint() const
{
    return sizeHint();
}

void MinimalistButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);

    const QRectF bounds = QRectF(rect());
    QPainterPath background;
    background.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.fillPath(background, Colors::withOpacity(m_color, 0.10 + 0.05 * m_progress));
    if (hasFocus() && m_keyboardFocus) {
        painter.setPen(QPen(Colors::withOpacity(m_color, 0.6), 1));
        painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    }

    const qreal padding = restingPadding + (hoveredPadding - restingPadding) * m_progress;
    const QSizeF icon = iconSize();
    qreal x = padding;
    if (!icon.isEmpty()) {
        const QRectF iconRect(x, (bounds.height() - icon.height()) / 2, icon.width(),
                              icon.height());
        Icons::paint(&painter, iconRect, m_icon, m_color, icon.height());
        x += icon.width() + captionSpacing;
    }

    const qreal progress = captionProgress();
    if (progress <= 0)
        return;
    // The caption grows from 90% about its own centre while it fades in.
    const QFont font = Fonts::body();
    const qreal width = captionWidth();
    const QRectF captionRect(x, 0, width, bounds.height());
    painter.save();
    painter.setOpacity(painter.opacity() * progress);
    const qreal scale = 0.9 + 0.1 * progress;
    painter.translate(captionRect.center());
    painter.scale(scale, scale);
    painter.translate(-captionRect.center());
    painter.setFont(font);
    painter.setPen(Colors::textShade(m_color));
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter, m_label);
    painter.restore();
}
