#include "filelist/filerowdelegate.h"

#include "filelist/filelistmodel.h"
#include "filelist/leftalignedfilerow.h"
#include "renameengine.h"
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
    const auto *model = qobject_cast<const FileListModel *>(index.model());
    const FileItem *file = model ? model->fileAt(index.row()) : nullptr;
    if (!file)
        return;
    const bool selected = model->engine()->selectedFiles().contains(file->id);
    // The gap between rows stays clear, so the selected tint ends at the row.
    const QRectF rect(option.rect.x(), option.rect.y(), option.rect.width(),
                      LeftAlignedFileRow::height);
    const LeftAlignedFileRow row(*file, selected, rect.width() * 0.5);
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
