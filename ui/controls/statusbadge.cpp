#include "controls/statusbadge.h"

#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr qreal horizontalPadding = 8;
constexpr qreal verticalPadding = 4;
constexpr qreal spacing = 4;

QFont countFont()
{
    return Fonts::withWeight(Fonts::caption(), QFont::DemiBold);
}

qreal iconSide(const QString &icon)
{
    if (!Icons::isAvailable() || Icons::glyph(icon).isEmpty())
        return 0;
    return Fonts::symbolSize(Fonts::smallerCaption());
}

} // namespace

StatusBadge::StatusBadge(const QString &icon, qint64 count, const QString &label,
                         const QColor &color, QWidget *parent)
    : QWidget(parent), m_icon(icon), m_count(count), m_label(label), m_color(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateAccessibleName();
}

void StatusBadge::setCount(qint64 count)
{
    if (count == m_count)
        return;
    m_count = count;
    updateAccessibleName();
    updateGeometry();
    update();
    Q_EMIT countChanged(count);
}

void StatusBadge::updateAccessibleName()
{
    setAccessibleName(QString::number(m_count) + u' ' + m_label);
}

QSize StatusBadge::sizeHint() const
{
    const QFontMetricsF metrics(countFont());
    const qreal icon = iconSide(m_icon);
    const qreal width = horizontalPadding * 2 + icon + (icon > 0 ? spacing : 0) +
                        metrics.horizontalAdvance(QString::number(m_count));
    const qreal height = verticalPadding * 2 + qMax(icon, metrics.height());
    return QSize(qCeil(width), qCeil(height));
}

void StatusBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    QPainterPath capsule;
    capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
    painter.fillPath(capsule, Colors::withOpacity(m_color, 0.15));

    qreal x = horizontalPadding;
    const qreal icon = iconSide(m_icon);
    if (icon > 0) {
        Icons::paint(&painter, QRectF(x, (bounds.height() - icon) / 2, icon, icon), m_icon, m_color,
                     icon);
        x += icon + spacing;
    }
    painter.setFont(countFont());
    // The shade follows the application palette, as the colour does: a badge inside a widget
    // with a style sheet keeps the palette it had when the sheet was applied.
    painter.setPen(Colors::textShade(m_color));
    painter.drawText(QRectF(x, 0, bounds.width() - x, bounds.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::number(m_count));
}

void StatusBadge::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    Q_EMIT colorChanged(color);
}
