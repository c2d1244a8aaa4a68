#include "filelist/modernfiledropzone.h"

#include "filelist/filedrop.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr qreal inset = 20;
constexpr qreal borderRadius = 16;
constexpr qreal borderWidth = 2;
constexpr qreal circleDiameter = 120;
constexpr qreal iconPoints = 48;
constexpr qreal groupSpacing = 24;
constexpr qreal textSpacing = 8;

QFont titleFont()
{
    return Fonts::withWeight(Fonts::title2(), QFont::DemiBold);
}

QLinearGradient diagonal(const QRectF &rect, const QColor &from, const QColor &to)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

} // namespace

QString ModernFileDropZone::title()
{
    return tr("Drop files here");
}

QString ModernFileDropZone::subtitle()
{
    return tr("or click the Add button");
}

ModernFileDropZone::ModernFileDropZone(RenameEngine *engine, QWidget *parent)
    : QWidget(parent), m_engine(engine)
{
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(title());
    setAccessibleDescription(subtitle());
}

void ModernFileDropZone::setTargeted(bool targeted)
{
    if (targeted == m_targeted)
        return;
    m_targeted = targeted;
    update();
    Q_EMIT targetedChanged(targeted);
}

QSize ModernFileDropZone::sizeHint() const
{
    return QSize(480, 400);
}

QSize ModernFileDropZone::minimumSizeHint() const
{
    const QFontMetricsF titleMetrics(titleFont());
    const QFontMetricsF bodyMetrics(Fonts::body());
    const qreal width = qMax(titleMetrics.horizontalAdvance(title()),
                             qMax(bodyMetrics.horizontalAdvance(subtitle()), circleDiameter));
    const qreal height =
        circleDiameter + groupSpacing + titleMetrics.height() + textSpacing + bodyMetrics.height();
    return QSize(qCeil(width + inset * 2 + 16), qCeil(height + inset * 2 + 16));
}

void ModernFileDropZone::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const QColor accent = m_targeted ? Colors::blue(pal) : Colors::gray(pal);

    // Dashed border, drawn inside the inset rectangle's edge.
    const QRectF frame = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (frame.width() > 0 && frame.height() > 0) {
        const QRectF stroke =
            frame.adjusted(borderWidth / 2, borderWidth / 2, -borderWidth / 2, -borderWidth / 2);
        const QLinearGradient borderGradient =
            m_targeted ? diagonal(frame, accent, Colors::withOpacity(accent, 0.5))
                       : diagonal(frame, Colors::withOpacity(accent, 0.30),
                                  Colors::withOpacity(accent, 0.10));
        QPen pen(QBrush(borderGradient), borderWidth);
        // Dash lengths are in units of the pen width: 12 on, 8 off.
        pen.setDashPattern({12 / borderWidth, 8 / borderWidth});
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(stroke, borderRadius - borderWidth / 2,
                                borderRadius - borderWidth / 2);
    }

    // The circle, the two texts, centred as one group.
    const QFont titleFace = titleFont();
    const QFont bodyFace = Fonts::body();
    const QFontMetricsF titleMetrics(titleFace);
    const QFontMetricsF bodyMetrics(bodyFace);
    const qreal groupHeight =
        circleDiameter + groupSpacing + titleMetrics.height() + textSpacing + bodyMetrics.height();
    const QPointF center = QRectF(rect()).center();
    qreal y = center.y() - groupHeight / 2;

    const QRectF circle(center.x() - circleDiameter / 2, y, circleDiameter, circleDiameter);
    const QLinearGradient fill = m_targeted ? diagonal(circle, Colors::withOpacity(accent, 0.20),
                                                       Colors::withOpacity(accent, 0.10))
                                            : diagonal(circle, Colors::withOpacity(accent, 0.10),
                                                       Colors::withOpacity(accent, 0.05));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(circle);

    if (Icons::isAvailable()) {
        // The icon takes a gradient from the accent to the accent at 70%: draw the glyph as a
        // path and fill that.
        const qreal iconSize = Fonts::symbolSizeForPoints(iconPoints);
        const QFont iconFont = Icons::font(iconSize);
        const QString glyph = Icons::glyph(QStringLiteral("doc.badge.plus"));
        QPainterPath path;
        path.addText(0, 0, iconFont, glyph);
        const QRectF bounds = path.boundingRect();
        path.translate(circle.center() - bounds.center());
        const QRectF placed = path.boundingRect();
        painter.fillPath(path, diagonal(placed, accent, Colors::withOpacity(accent, 0.7)));
    }
    y += circleDiameter + groupSpacing;

    painter.setFont(titleFace);
    painter.setPen(Colors::primaryText(pal));
    painter.drawText(QRectF(rect().left(), y, width(), titleMetrics.height()), Qt::AlignCenter,
                     title());
    y += titleMetrics.height() + textSpacing;

    painter.setFont(bodyFace);
    painter.setPen(Colors::secondaryText(pal));
    painter.drawText(QRectF(rect().left(), y, width(), bodyMetrics.height()), Qt::AlignCenter,
                     subtitle());
}

void ModernFileDropZone::dragEnterEvent(QDragEnterEvent *event)
{
    if (FileDrop::accept(event))
        setTargeted(true);
}

void ModernFileDropZone::dragMoveEvent(QDragMoveEvent *event)
{
    FileDrop::accept(event);
}

void ModernFileDropZone::dragLeaveEvent(QDragLeaveEvent *event)
{
    setTargeted(false);
    event->accept();
}

void ModernFileDropZone::dropEvent(QDropEvent *event)
{
    setTargeted(false);
    if (FileDrop::accept(event))
        FileDrop::addToEngine(event->mimeData(), m_engine);
}
