#pragma once

#include <QStyledItemDelegate>

// Paints the rows of the file list. Every row has the same height, so the view can lay out
// a hundred thousand rows without asking for each one's size.
class FileRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit FileRowDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The height of each row including the gap below it.
    static int rowPitch();
};
