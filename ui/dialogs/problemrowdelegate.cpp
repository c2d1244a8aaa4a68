#include "dialogs/problemrowdelegate.h"

#include "filelist/filelistmodel.h"
#include "files/renamestatus.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int padding = 16;
constexpr int lineSpacing = 6;
constexpr int indent = 24;
constexpr int iconGap = 8;
constexpr qreal cornerRadius = 8;

QString message(const QModelIndex &index)
{
    return index.data(FileListModel::ErrorMessageRole).toString();
}

QFont nameFont()
{
    return Fonts::withWeight(Fonts::monospacedBody(), QFont::Medium);
}

QFont monospacedCaption()
{
    QFont font = Fonts::monospacedBody();
    font.setPointSizeF(Fonts::caption().pointSizeF());
    return font;
}

} // namespace

QSize ProblemRowDelegate::sizeHint(const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    const int nameLine = std::max(QFontMetrics(nameFont()).height(),
                                  static_cast<int>(Fonts::symbolSize(Fonts::body())));
    const int captionLine = std::max(QFontMetrics(Fonts::caption()).height(),
                                     QFontMetrics(monospacedCaption()).height());
    int height = padding + nameLine + lineSpacing + captionLine + padding;
    if (!message(index).isNull())
        height += QFontMetrics(Fonts::caption()).height() + lineSpacing;
    return {option.rect.width(), height + rowSpacing};
}

void ProblemRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const bool isError =
        RenameStatus(index.data(FileListModel::StatusRole).toInt()) == RenameStatus::error;
    const QString reason = message(index);
    const QPalette &palette = option.palette;
    const QColor tint = isError ? Colors::red(palette) : Colors::orange(palette);
    const QColor secondary = Colors::secondaryText(palette, QPalette::Text);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(option.rect).adjusted(0, 0, 0, -rowSpacing);
    QPainterPath path;
    path.addRoundedRect(card, cornerRadius, cornerRadius);
    painter->fillPath(path, Colors::withOpacity(tint, 0.05));

    const qreal left = card.left() + padding;
    const qreal width = card.width() - 2 * padding;
    qreal y = card.top() + padding;

    // Line 1: icon and current name.
    const QFont name = nameFont();
    const qreal symbol = Fonts::symbolSize(Fonts::body());
    const int nameHeight = std::max(QFontMetrics(name).height(), static_cast<int>(symbol));
    Icons::paint(painter, QRectF(left, y, symbol, nameHeight),
                 isError ? QStringLiteral("exclamationmark.triangle.fill")
                         : QStringLiteral("exclamationmark.circle.fill"),
                 tint, symbol);
    const qreal nameLeft = left + (Icons::isAvailable() ? symbol + iconGap : 0);
    painter->setFont(name);
    painter->setPen(Colors::primaryText(palette, QPalette::Text));
    const QRectF nameRect(nameLeft, y, left + width - nameLeft, nameHeight);
    painter->drawText(
        nameRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(name).elidedText(index.data(FileListModel::OriginalNameRole).toString(),
                                      Qt::ElideMiddle, static_cast<int>(nameRect.width())));
    y += nameHeight + lineSpacing;

    // Line 2: the reason, when there is one.
    const QFont caption = Fonts::caption();
    const QFontMetrics captionMetrics(caption);
    if (!reason.isNull()) {
        painter->setFont(caption);
        painter->setPen(secondary);
        const QRectF messageRect(left + indent, y, width - indent, captionMetrics.height());
        painter->drawText(messageRect, Qt::AlignLeft | Qt::AlignVCenter,
                          captionMetrics.elidedText(reason, Qt::ElideRight,
                                                    static_cast<int>(messageRect.width())));
        y += captionMetrics.height() + lineSpacing;
    }

    // Line 3: the name the file would get.
    const QString label = tr("Would rename to:");
    const QFont mono = monospacedCaption();
    const int lineHeight = std::max(captionMetrics.height(), QFontMetrics(mono).height());
    painter->setFont(caption);
    painter->setPen(secondary);
    const qreal labelWidth = captionMetrics.horizontalAdvance(label);
    painter->drawText(QRectF(left + indent, y, labelWidth, lineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, label);
    painter->setFont(mono);
    const qreal newLeft = left + indent + labelWidth + iconGap;
    const QRectF newRect(newLeft, y, left + width - newLeft, lineHeight);
    painter->drawText(
        newRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(mono).elidedText(index.data(FileListModel::NewNameRole).toString(),
                                      Qt::ElideMiddle, static_cast<int>(newRect.width())));
    painter->restore();
}
