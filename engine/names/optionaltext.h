#pragma once

#include <QExplicitlySharedDataPointer>
#include <QSharedData>
#include <QString>

#include <optional>

// A text that may be absent, in one pointer: what std::optional<QString> holds, in a
// quarter of its size, with the same way of asking for it. A listed file carries a message
// only when something is wrong with it, and a million files would otherwise spend 32 MB on
// messages that are not there. Copies share the text, so one message given to many files
// is held once.
class OptionalText {
public:
    OptionalText() = default;
    OptionalText(std::nullopt_t) {}    // NOLINT: as an optional is emptied by nullopt
    OptionalText(const QString &text); // NOLINT: stands in for the text, as an optional does

    bool has_value() const { return bool(m_text); }
    explicit operator bool() const { return has_value(); }
    // Only when there is a text.
    const QString &operator*() const { return m_text->text; }
    const QString *operator->() const { return &m_text->text; }
    QString value_or(const QString &fallback) const { return m_text ? m_text->text : fallback; }
    void reset() { m_text.reset(); }

    friend bool operator==(const OptionalText &a, const OptionalText &b)
    {
        return a.m_text == b.m_text || (a && b && *a == *b);
    }
    friend bool operator==(const OptionalText &a, const QString &b) { return a && *a == b; }

private:
    struct Text : QSharedData {
        explicit Text(const QString &t) : text(t) {}
        QString text;
    };
    QExplicitlySharedDataPointer<const Text> m_text;
};
