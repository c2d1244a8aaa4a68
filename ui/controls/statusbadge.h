#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A small capsule with an icon and a count, tinted in one colour; the main window shows one
// for conflicts and one for errors. The label names what is counted for assistive tools;
// it is not drawn.
class StatusBadge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString icon READ icon CONSTANT)
    Q_PROPERTY(qint64 count READ count WRITE setCount NOTIFY countChanged)
    Q_PROPERTY(QString label READ label CONSTANT)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    StatusBadge(const QString &icon, qint64 count, const QString &label, const QColor &color,
                QWidget *parent = nullptr);

    QString icon() const { return m_icon; }
    qint64 count() const { return m_count; }
    QString label() const { return m_label; }
    QColor color() const { return m_color; }
    void setCount(qint64 count);
    void setColor(const QColor &color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void countChanged(qint64 count);
    void colorChanged(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateAccessibleName();

    QString m_icon;
    qint64 m_count;
    QString m_label;
    QColor m_color;
};
