#pragma once

#include <QAbstractItemDelegate>
#include <QPalette>
#include <QPointer>

// Draws the items of a drop-down list as `inner` does, with a thin line above each item that
// starts a group. The groups need no separator items of their own, which a screen reader
// would announce as empty entries and the keyboard would have to step over.
class GroupDividerDelegate : public QAbstractItemDelegate {
    Q_OBJECT

public:
    // Items whose data under this role is true start a group.
    static constexpr int startsGroupRole = Qt::UserRole + 0x4701;
    // The room above such an item; the line runs through its middle.
    static constexpr int gap = 9;

    GroupDividerDelegate(QAbstractItemDelegate *inner, QObject *parent);

    QAbstractItemDelegate *inner() const { return m_inner; }
    // What the room above an item is filled with: the background `inner` gives its items
    // (a menu-like list draws them on Window, a plain one on Base).
    void setGapBackground(QPalette::ColorRole role) { m_gapBackground = role; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    static bool startsGroup(const QModelIndex &index);
    static QStyleOptionViewItem below(const QStyleOptionViewItem &option, const QModelIndex &index);

    QPointer<QAbstractItemDelegate> m_inner;
    QPalette::ColorRole m_gapBackground = QPalette::Base;
};
