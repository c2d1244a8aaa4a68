#include "controls/wholenumberfield.h"

#include <QValidator>

namespace {

// Accepts exactly what can become a whole number: an optional sign, then digits and group
// separators. An empty field or a lone sign is on its way to a number.
class WholeNumberValidator : public QValidator {
public:
    explicit WholeNumberValidator(QObject *parent) : QValidator(parent) {}

    State validate(QString &input, int &) const override
    {
        const QLocale locale;
        const QString trimmed = input.trimmed();
        if (trimmed.isEmpty() || trimmed == u"-" || trimmed == u"+" ||
            trimmed == locale.negativeSign() || trimmed == locale.positiveSign())
            return Intermediate;
        if (WholeNumberField::parse(trimmed, locale))
            return Acceptable;
        for (QChar c : trimmed) {
            if (!c.isDigit() && c != u'-' && c != u'+' && !locale.groupSeparator().contains(c) &&
                !locale.negativeSign().contains(c))
                return Invalid;
        }
        return Intermediate;
    }
};

} // namespace

WholeNumberField::WholeNumberField(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new WholeNumberValidator(this));
    setText(QLocale().toString(m_value));
    setPlaceholderText(text());
    connect(this, &QLineEdit::textEdited, this, &WholeNumberField::onTextEdited);
    connect(this, &QLineEdit::editingFinished, this, &WholeNumberField::onEditingFinished);
}

std::optional<qint64> WholeNumberField::parse(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    qint64 value = locale.toLongLong(trimmed, &ok);
    if (ok)
        return value;
    value = QLocale::c().toLongLong(trimmed, &ok);
    if (ok)
        return value;
    return std::nullopt;
}

void WholeNumberField::setValue(qint64 value)
{
    const bool changed = value != m_value;
    m_value = value;
    // An emptied field still stands for its value, so the grey text shows that value.
    setPlaceholderText(QLocale().toString(value));
    // A field being typed in keeps what it shows while that already reads as the value
    // ("01" stays "01" rather than jumping to "1" under the cursor).
    if (parse(text()) != value || !hasFocus())
        setText(QLocale().toString(value));
    if (changed)
        Q_EMIT valueChanged(value);
}

void WholeNumberField::onTextEdited(const QString &text)
{
    const std::optional<qint64> parsed = parse(text);
    if (!parsed || *parsed == m_value)
        return;
    m_value = *parsed;
    setPlaceholderText(QLocale().toString(m_value));
    Q_EMIT valueChanged(m_value);
    Q_EMIT valueEdited(m_value);
}

void WholeNumberField::onEditingFinished()
{
    setText(QLocale().toString(m_value));
}
