#pragma once

#include <QWidget>

// A one-pixel separator line across the available width.
class HorizontalDivider : public QWidget {
    Q_OBJECT

public:
    explicit HorizontalDivider(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
