#include "filelist/filerowdelegate.h"

#include "filelist/filelistmodel.h"
#include "filelist/leftalignedfilerow.h"
#include "style/colors.h"

#include <QPainter>
#include <QtMath>

FileRowDelegate::FileRowDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

int FileRowDelegate::rowPitch()
{
    return qCeil(LeftAlignedFileRow::height + LeftAlignedFileRow::rowSpacing);
}

QSize FileRowDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    // Width comes from the view: rows always span the viewport.
    return QSize(1, rowPitch());
}

void FileRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    const QVariant status = index.data(FileListModel::StatusRole);
    if (!status.isValid())
        return;
    const LeftAlignedFileRow::Content content{
        index.data(FileListModel::OriginalNameRole).toString(),
        index.data(FileListModel::NewNameRole).toString(),
        index.data(FileListModel::ErrorMessageRole).toString(),
        index.data(FileListModel::FileTypeIconRole).toString(),
        RenameStatus(status.toInt()),
        bool(option.state & QStyle::State_Selected),
    };
    // The gap between rows stays clear, so the selected tint ends at the row.
    const QRectF rect(option.rect.x(), option.rect.y(), option.rect.width(),
                      LeftAlignedFileRow::height);
    const LeftAlignedFileRow row(content, rect.width() * 0.5);
    row.paint(painter, rect, option.palette);
    // The row the keyboard acts on, while the list has focus.
    if (option.state & QStyle::State_HasFocus) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(Colors::blue(option.palette), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(rect.adjusted(2, 2, -2, -2), 6, 6);
        painter->restore();
    }
}
