#pragma once

#include <QWidget>

// A number in white on a small blue circle: the position of an operation in the stack.
class NumberBadge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int number READ number WRITE setNumber NOTIFY numberChanged)

public:
    explicit NumberBadge(int number, QWidget *parent = nullptr);

    int number() const { return m_number; }
    void setNumber(int number);

    QSize sizeHint() const override;

    static constexpr int side = 20;

Q_SIGNALS:
    void numberChanged(int number);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_number;
};
