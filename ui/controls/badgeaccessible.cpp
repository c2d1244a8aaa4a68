#include "controls/badgeaccessible.h"

#include "controls/numberbadge.h"
#include "controls/statusbadge.h"

BadgeAccessible::BadgeAccessible(QWidget *badge) : QAccessibleWidget(badge, QAccessible::StaticText)
{
}

QAccessible::Role BadgeAccessible::role() const
{
    return QAccessible::StaticText;
}

QString BadgeAccessible::text(QAccessible::Text text) const
{
    if (text == QAccessible::Value) {
        if (const auto *status = qobject_cast<const StatusBadge *>(widget()))
            return QString::number(status->count());
        if (const auto *number = qobject_cast<const NumberBadge *>(widget()))
            return QString::number(number->number());
    }
    return QAccessibleWidget::text(text);
}
