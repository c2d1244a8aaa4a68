#pragma once

#include <QAccessibleWidget>

// A status or number badge as assistive tools see it: read-only text that says what it
// counts ("2 conflicts"), with the bare number as its value.
class BadgeAccessible : public QAccessibleWidget {
public:
    explicit BadgeAccessible(QWidget *badge);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text text) const override;
};
