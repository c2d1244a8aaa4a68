#pragma once

#include <QLineEdit>
#include <QLocale>

// A single-line field for a whole number in the user's locale format. Only digits, a sign
// and group separators can be typed; each edit that reads as a whole number is reported at
// once, and on leaving the field it shows the last such number again, so what it stands
// for is always a whole number.
class WholeNumberField : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(qint64 value READ value WRITE setValue NOTIFY valueChanged)

public:
    explicit WholeNumberField(QWidget *parent = nullptr);

    qint64 value() const { return m_value; }
    // Shows the value without reporting it as the user's.
    void setValue(qint64 value);

    // The number the text reads as, in the user's locale or in plain digits.
    static std::optional<qint64> parse(const QString &text, const QLocale &locale = QLocale());

Q_SIGNALS:
    // The user typed a new number.
    void valueEdited(qint64 value);
    // The number changed, by the user or through setValue().
    void valueChanged(qint64 value);

private:
    void onTextEdited(const QString &text);
    void onEditingFinished();

    qint64 m_value = 0;
};
