#pragma once

#include <QStyledItemDelegate>

// Paints one problem file: its icon and current name, the reason, and the name it would
// get, on a card tinted by the kind of problem.
class ProblemRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // Space between two cards.
    static constexpr int rowSpacing = 12;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
