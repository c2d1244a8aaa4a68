#pragma once

#include <QComboBox>

// A drop-down menu that a mouse wheel passing over it leaves alone: only with keyboard
// focus does the wheel step through its choices. Without focus the wheel goes on to the
// scrolling area around it, so scrolling past the menu cannot change what it chose.
class FocusedWheelComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit FocusedWheelComboBox(QWidget *parent = nullptr);

    // Makes the item at `index` the first of a group: a line above it in the list divides the
    // choices, where a separator item would be an empty entry to a screen reader.
    void setStartsGroup(int index);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void divideGroups();
};
