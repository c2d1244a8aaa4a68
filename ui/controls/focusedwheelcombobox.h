#pragma once

#include <QComboBox>

// A drop-down menu that a mouse wheel passing over it leaves alone: only with keyboard
// focus does the wheel step through its choices. Without focus the wheel goes on to the
// scrolling area around it, so scrolling past the menu cannot change what it chose.
class FocusedWheelComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit FocusedWheelComboBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};
