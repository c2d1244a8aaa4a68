#include "filelist/leftalignedfilerow.h"

#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <tuple>

namespace {

constexpr qreal tileRadius = 6;
constexpr qreal tileIconPoints = 14;
constexpr qreal pillHorizontalPadding = 8;
constexpr qreal pillVerticalPadding = 4;
constexpr qreal pillSpacing = 4;

// The status accent, for the pill and its icon; the names and messages are drawn in its
// text shade.
QColor statusColor(RenameStatus status, const QPalette &palette)
{
    switch (status) {
    case RenameStatus::conflict:
        return Colors::orange(palette);
    case RenameStatus::error:
        return Colors::red(palette);
    case RenameStatus::success:
        return Colors::green(palette);
    case RenameStatus::pending:
        break;
    }
    return Colors::primaryText(palette, QPalette::Text);
}

qreal pillIconSide()
{
    return Icons::isAvailable() ? Fonts::symbolSize(Fonts::caption()) : 0;
}

// Two texts share one width the way a row of flexible texts does: the one that wants less
// gets what it wants up to half, the other gets the rest.
std::pair<qreal, qreal> shareWidth(qreal available, qreal first, qreal second)
{
    available = qMax<qreal>(0, available);
    if (first + second <= available)
        return {first, second};
    if (first <= second) {
        const qreal a = qMin(first, available / 2);
        return {a, available - a};
    }
    const qreal b = qMin(second, available / 2);
    return {available - b, b};
}

} // namespace

ChangedSpan LeftAlignedFileRow::shownSpan(const ChangedSpan &span, const QString &full,
                                          const QString &shown)
{
    if (!span.changed || shown == full)
        return span;
    if (shown.isEmpty())
        return {};
    qsizetype kept = 0; // before the ellipsis
    while (kept < shown.size() && kept < full.size() && shown[kept] == full[kept])
        ++kept;
    const qsizetype tail = shown.size() - kept - 1; // after it
    if (tail < 0 || !full.endsWith(QStringView(shown).right(tail)))
        return {0, shown.size(), true};
    const qsizetype tailStart = full.size() - tail;
    const auto map = [&](qsizetype at, qsizetype inCut) {
        return at <= kept ? at : at >= tailStart ? at - tailStart + kept + 1 : inCut;
    };
    return {map(span.start, kept), map(span.end, kept + 1), true};
}

qreal LeftAlignedFileRow::changedTint(const QPalette &palette)
{
    return Colors::isDark(palette) ? 0.25 : 0.15;
}

LeftAlignedFileRow::LeftAlignedFileRow(const Content &content, qreal centerX)
    : m_content(content), m_centerX(centerX)
{
}

bool LeftAlignedFileRow::showsProblem() const
{
    return m_content.status == RenameStatus::conflict || m_content.status == RenameStatus::error;
}

QString LeftAlignedFileRow::problemIcon() const
{
    return m_content.status == RenameStatus::error ? QStringLiteral("exclamationmark.triangle.fill")
                                                   : QStringLiteral("exclamationmark.circle.fill");
}

LeftAlignedFileRow::Geometry LeftAlignedFileRow::layout(const QRectF &rect) const
{
    Geometry geometry;
    const qreal midY = rect.center().y();
    const QFontMetricsF nameMetrics(Fonts::body());
    const qreal nameHeight = nameMetrics.height();

    // Left block: [left + 20, centerX - 30].
    const qreal left = rect.left();
    const qreal leftEnd = qMax(left, left + m_centerX - arrowCellWidth / 2);
    const qreal leftStart = qMin(leftEnd, left + outerPadding);
    geometry.tile =
        QRectF(leftStart, midY - tileSide / 2, qMin(tileSide, leftEnd - leftStart), tileSide);
    const qreal nameStart = qMin(leftEnd, geometry.tile.right() + spacing);
    const qreal nameRoom = qMax<qreal>(0, leftEnd - nameStart);
    geometry.originalNameText =
        nameMetrics.elidedText(m_content.originalName, Qt::ElideMiddle, nameRoom);
    geometry.originalName = QRectF(
        nameStart, midY - nameHeight / 2,
        qMin(nameRoom, nameMetrics.horizontalAdvance(geometry.originalNameText)), nameHeight);

    // The arrow cell, centred on centerX.
    geometry.arrow = QRectF(leftEnd, rect.top(), arrowCellWidth, rect.height());

    // Right block: [centerX + 30, right - 20].
    const qreal rightStart = geometry.arrow.right();
    const qreal rightEnd = qMax(rightStart, rect.right() + 1 - outerPadding);
    qreal room = rightEnd - rightStart;
    const qreal newNameWanted = nameMetrics.horizontalAdvance(m_content.newName);
    qreal newNameWidth = qMin(newNameWanted, room);

    if (showsProblem()) {
        const QFontMetricsF messageMetrics(Fonts::smallerCaption());
        const QString &message = m_content.errorMessage;
        const qreal iconSide = pillIconSide();
        const qreal iconGap = iconSide > 0 ? pillSpacing : 0;
        const qreal pillChrome = pillHorizontalPadding * 2 + iconSide + iconGap;
        const qreal pillWanted = pillChrome + messageMetrics.horizontalAdvance(message);
        const qreal iconOnly = pillHorizontalPadding * 2 + iconSide;
        qreal pillShare = 0;
        qreal messageRoom = 0;
        if (newNameWanted + pillWanted <= room - spacing || iconSide <= 0) {
            // Everything fits; or, without the icon font, the text is all the pill has.
            std::tie(newNameWidth, pillShare) =
                shareWidth(room - spacing, newNameWanted, pillWanted);
            messageRoom = qMax<qreal>(0, pillShare - pillChrome);
        } else {
            // The new name is what the row is for: the pill gives up its text first (the
            // row's tooltip still has it) and keeps only its icon.
            pillShare = iconOnly;
            newNameWidth = qMax<qreal>(0, qMin(newNameWanted, room - spacing - iconOnly));
        }
        geometry.pillMessage = messageRoom > 0
                                   ? messageMetrics.elidedText(message, Qt::ElideRight, messageRoom)
                                   : QString();
        const qreal messageWidth = messageMetrics.horizontalAdvance(geometry.pillMessage);
        const qreal contentHeight = qMax(iconSide, messageMetrics.height());
        const qreal pillHeight = contentHeight + pillVerticalPadding * 2;
        const qreal pillWidth = geometry.pillMessage.isEmpty()
                                    ? qMin(pillShare, iconOnly)
                                    : qMin(pillShare, pillChrome + messageWidth);
        const qreal pillLeft = rightStart + newNameWidth + spacing;
        geometry.pill = QRectF(pillLeft, midY - pillHeight / 2, pillWidth, pillHeight);
        geometry.pillIcon =
            QRectF(pillLeft + pillHorizontalPadding, midY - iconSide / 2, iconSide, iconSide);
        geometry.pillText =
            QRectF(geometry.pillIcon.right() + iconGap, midY - messageMetrics.height() / 2,
                   messageWidth, messageMetrics.height());
    }
    geometry.newNameText = nameMetrics.elidedText(m_content.newName, Qt::ElideMiddle, newNameWidth);
    geometry.newNameChange =
        shownSpan(ChangedSpan::between(m_content.originalName, m_content.newName),
                  m_content.newName, geometry.newNameText);
    geometry.newName = QRectF(rightStart, midY - nameHeight / 2,
                              nameMetrics.horizontalAdvance(geometry.newNameText), nameHeight);
    return geometry;
}

void LeftAlignedFileRow::paint(QPainter *painter, const QRectF &rect, const QPalette &palette) const
{
    const Geometry geometry = layout(rect);
    const QColor blue = Colors::blue(palette);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    if (m_content.isSelected)
        painter->fillRect(rect, Colors::withOpacity(blue, 0.08));

    if (!geometry.tile.isEmpty()) {
        QPainterPath tile;
        tile.addRoundedRect(geometry.tile, tileRadius, tileRadius);
        painter->fillPath(tile, Colors::withOpacity(blue, 0.10));
        Icons::paint(painter, geometry.tile, m_content.fileTypeIcon, blue,
                     Fonts::symbolSizeForPoints(tileIconPoints));
    }

    const QFont body = Fonts::body();
    painter->setFont(body);
    painter->setPen(m_content.status == RenameStatus::error
                        ? Colors::secondaryText(palette, QPalette::Text)
                        : Colors::primaryText(palette, QPalette::Text));
    painter->drawText(geometry.originalName.adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      geometry.originalNameText);

    Icons::paint(painter, geometry.arrow, QStringLiteral("arrow.right"),
                 Colors::tertiaryText(palette, QPalette::Text), Fonts::symbolSize(body));

    const QColor status = statusColor(m_content.status, palette);
    const QColor statusText =
        m_content.status == RenameStatus::pending ? status : Colors::textShade(status, palette);
    paintNewName(painter, geometry, statusText,
                 m_content.status == RenameStatus::pending ? blue : status, palette);

    if (!geometry.pill.isEmpty()) {
        QPainterPath capsule;
        const qreal radius = geometry.pill.height() / 2;
        capsule.addRoundedRect(geometry.pill, radius, radius);
        painter->fillPath(capsule, Colors::withOpacity(status, 0.15));
        Icons::paint(painter, geometry.pillIcon, problemIcon(), status, geometry.pillIcon.height());
        painter->setFont(Fonts::smallerCaption());
        painter->setPen(statusText);
        painter->drawText(geometry.pillText.adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          geometry.pillMessage);
    }
    painter->restore();
}

void LeftAlignedFileRow::paintNewName(QPainter *painter, const Geometry &geometry,
                                      const QColor &text, const QColor &tint,
                                      const QPalette &palette) const
{
    const ChangedSpan &change = geometry.newNameChange;
    painter->setPen(text);
    if (!change.changed) {
        painter->drawText(geometry.newName.adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          geometry.newNameText);
        return;
    }
    // Laid out as drawText lays it out, so that the changed part is found in right-to-left
    // text too: a span of characters may show as several runs.
    QTextLayout layout(geometry.newNameText, painter->font(), painter->device());
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(painter->layoutDirection());
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(geometry.newName.width() + 1);
    layout.endLayout();
    const QPointF origin(geometry.newName.left(),
                         geometry.newName.center().y() - line.height() / 2);
    if (change.start == change.end) {
        // Only taken out: a mark where the characters were.
        const qreal x = origin.x() + line.cursorToX(int(change.start));
        painter->fillRect(QRectF(x - 1, origin.y(), 2, line.height()), tint);
        layout.draw(painter, origin);
        return;
    }
    QTextLayout::FormatRange changed;
    changed.start = int(change.start);
    changed.length = int(change.end - change.start);
    changed.format.setBackground(Colors::withOpacity(tint, changedTint(palette)));
    changed.format.setForeground(text);
    layout.draw(painter, origin, {changed});
}
