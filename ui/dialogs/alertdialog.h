#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QHBoxLayout;

// A window-modal alert: a title, a message, an optional one-line field and buttons in a
// fixed order. Any button closes it and then runs its action. Escape presses the button
// with the cancel role; a destructive button is drawn in red.
class AlertDialog : public QDialog {
    Q_OBJECT

public:
    enum class Role { normal, cancel, destructive };

    AlertDialog(const QString &title, const QString &message, QWidget *parent = nullptr);

    // "Workflow Exists": asks before a workflow replaces the one saved under `name`;
    // Overwrite runs `overwrite`.
    static AlertDialog *overwriteWorkflow(const QString &name, QWidget *parent,
                                          std::function<void()> overwrite);

    QPushButton *addButton(const QString &text, Role role, std::function<void()> action = {});
    QLineEdit *addTextField(const QString &placeholder);

    QString title() const { return m_title; }
    QString message() const { return m_message; }
    QLineEdit *textField() const { return m_field; }
    QList<QPushButton *> buttons() const { return m_buttons; }
    QPushButton *button(const QString &text) const;

    // Presses the button with this text, as a click would; for tests and keyboard paths.
    bool press(const QString &text);

public Q_SLOTS:
    void reject() override;

private:
    void finish(QPushButton *button);

    QString m_title;
    QString m_message;
    QVBoxLayout *m_layout;
    QHBoxLayout *m_buttonRow;
    QLineEdit *m_field = nullptr;
    QList<QPushButton *> m_buttons;
    QList<Role> m_roles;
    QList<std::function<void()>> m_actions;
    bool m_finished = false;
};
