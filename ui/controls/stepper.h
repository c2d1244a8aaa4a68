#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QToolButton;

// A title that ends in the current value ("Padding: 2") followed by a pair of minus and
// plus buttons that step the value within its range.
class Stepper : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY currentValueChanged)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum NOTIFY rangeChanged)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum NOTIFY rangeChanged)
    Q_PROPERTY(QString title READ title NOTIFY currentValueChanged)

public:
    Stepper(const QString &titlePrefix, int minimum, int maximum, QWidget *parent = nullptr);

    int value() const { return m_value; }
    // Changes the value without reporting it as the user's. A value outside the range is
    // shown as it is; stepping brings it back into the range.
    void setValue(int value);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // Narrows or widens the steps; the value is left as it is, as with setValue().
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    QString title() const;
    QToolButton *decrementButton() const { return m_minus; }
    QToolButton *incrementButton() const { return m_plus; }

Q_SIGNALS:
    // The user stepped the value.
    void valueChanged(int value);
    // The value changed, by the user or through setValue().
    void currentValueChanged(int value);
    void rangeChanged(int minimum, int maximum);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Steps as the user does, for assistive tools.
    friend class StepperAccessible;

    void step(int delta);
    void refresh();

    QString m_prefix;
    int m_minimum;
    int m_maximum;
    int m_value;
    QLabel *m_title;
    QToolButton *m_minus;
    QToolButton *m_plus;
};
