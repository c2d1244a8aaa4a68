#include "controls/segmentedcontrol.h"

#include "style/colors.h"
#include "style/fonts.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

namespace {

constexpr qreal segmentPadding = 12;
constexpr qreal verticalPadding = 4;
constexpr qreal radius = 6;
constexpr qreal inset = 2;

} // namespace

SegmentedControl::SegmentedControl(const QStringList &titles, QWidget *parent)
    : QWidget(parent), m_titles(titles)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_titles.size() || index == m_current)
        return;
    m_current = index;
    update();
    Q_EMIT currentIndexChanged(index);
}

void SegmentedControl::choose(int index)
{
    if (index < 0 || index >= m_titles.size() || index == m_current)
        return;
    setCurrentIndex(index);
    Q_EMIT activated(index);
}

QSize SegmentedControl::sizeHint() const
{
    const QFontMetricsF metrics(Fonts::body());
    qreal widest = 0;
    for (const QString &title : m_titles)
        widest = qMax(widest, metrics.horizontalAdvance(title));
    const qreal width = (widest + segmentPadding * 2) * m_titles.size() + inset * 2;
    return QSize(qCeil(width), qCeil(metrics.height() + verticalPadding * 2 + inset * 2));
}

QSize SegmentedControl::minimumSizeHint() const
{
    return QSize(qCeil(m_titles.size() * 24.0), sizeHint().height());
}

QRect SegmentedControl::segmentRect(int index) const
{
    if (m_titles.isEmpty())
        return QRect();
    const qreal width = (this->width() - inset * 2) / m_titles.size();
    return QRectF(inset + width * index, inset, width, height() - inset * 2).toAlignedRect();
}

void SegmentedControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    if (!isEnabled())
        painter.setOpacity(0.4);

    const QRectF bounds = QRectF(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Colors::withOpacity(Colors::gray(pal), 0.18));
    painter.drawRoundedRect(bounds, radius, radius);

    const qreal width = (bounds.width() - inset * 2) / qMax<qsizetype>(1, m_titles.size());
    const QFont font = Fonts::body();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    for (int i = 0; i < m_titles.size(); ++i) {
        const QRectF segment(inset + width * i, inset, width, bounds.height() - inset * 2);
        if (i == m_current) {
            painter.setPen(QPen(Colors::withOpacity(Colors::gray(pal), 0.25), 0.5));
            painter.setBrush(Colors::isDark(pal) ? Colors::withOpacity(Colors::gray(pal), 0.55)
                                                 : QColor(Qt::white));
            painter.drawRoundedRect(segment.adjusted(0.25, 0.25, -0.25, -0.25), radius - inset,
                                    radius - inset);
        } else if (i > 0 && i != m_current + 1) {
            // Separators between options that are not beside the raised one.
            painter.setPen(QPen(Colors::withOpacity(Colors::gray(pal), 0.35), 1));
            painter.drawLine(QPointF(segment.left(), segment.top() + 4),
                             QPointF(segment.left(), segment.bottom() - 4));
        }
        painter.setPen(Colors::primaryText(pal));
        painter.drawText(segment, Qt::AlignCenter,
                         metrics.elidedText(m_titles.at(i), Qt::ElideRight, segment.width() - 8));
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Colors::withOpacity(Colors::blue(pal), 0.5), 2));
        painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), radius, radius);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    for (int i = 0; i < m_titles.size(); ++i) {
        if (segmentRect(i).contains(event->position().toPoint())) {
            choose(i);
            break;
        }
    }
    event->accept();
}

void SegmentedControl::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        choose(m_current - 1);
        break;
    case Qt::Key_Right:
        choose(m_current + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
