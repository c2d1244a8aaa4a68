#include "controls/groupdividerdelegate.h"

#include "style/colors.h"

#include <QPainter>

GroupDividerDelegate::GroupDividerDelegate(QAbstractItemDelegate *inner, QObject *parent)
    : QAbstractItemDelegate(parent), m_inner(inner)
{
    connect(inner, &QAbstractItemDelegate::sizeHintChanged, this,
            &QAbstractItemDelegate::sizeHintChanged);
}

bool GroupDividerDelegate::startsGroup(const QModelIndex &index)
{
    return index.row() > 0 && index.data(startsGroupRole).toBool();
}

QStyleOptionViewItem GroupDividerDelegate::below(const QStyleOptionViewItem &option,
                                                 const QModelIndex &index)
{
    QStyleOptionViewItem item = option;
    if (startsGroup(index))
        item.rect.setTop(item.rect.top() + gap);
    return item;
}

void GroupDividerDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    if (startsGroup(index)) {
        painter->fillRect(QRect(option.rect.topLeft(), QSize(option.rect.width(), gap)),
                          option.palette.brush(m_gapBackground));
        const QRect line(option.rect.left() + 8, option.rect.top() + gap / 2,
                         option.rect.width() - 16, 1);
        painter->fillRect(line, Colors::withOpacity(Colors::primaryText(option.palette), 0.12));
    }
    if (m_inner)
        m_inner->paint(painter, below(option, index), index);
}

QSize GroupDividerDelegate::sizeHint(const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    const QSize size = m_inner ? m_inner->sizeHint(option, index) : QSize();
    return startsGroup(index) ? size + QSize(0, gap) : size;
}

bool GroupDividerDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                       const QStyleOptionViewItem &option, const QModelIndex &index)
{
    return m_inner && m_inner->editorEvent(event, model, below(option, index), index);
}

bool GroupDividerDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                     const QStyleOptionViewItem &option, const QModelIndex &index)
{
    return m_inner && m_inner->helpEvent(event, view, below(option, index), index);
}
