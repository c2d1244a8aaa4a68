#pragma once

#include <QAbstractButton>

// An on/off switch with its title beside it, tinted blue when on. Clicking the title or the
// switch toggles it; the space bar does too.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(const QString &title, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr qreal trackWidth = 34;
    static constexpr qreal trackHeight = 20;
    static constexpr qreal titleSpacing = 8;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
};
