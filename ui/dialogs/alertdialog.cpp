#include "dialogs/alertdialog.h"

#include "style/colors.h"
#include "style/fonts.h"
#include "style/palettefollower.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AlertDialog::AlertDialog(const QString &title, const QString &message, QWidget *parent)
    : QDialog(parent), m_title(title), m_message(message)
{
    setWindowTitle(title);
    // Read out with the title when the alert appears.
    setAccessibleDescription(message);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(Fonts::headline());
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setWordWrap(true);
    auto *messageLabel = new QLabel(message, this);
    messageLabel->setTextFormat(Qt::PlainText);
    messageLabel->setWordWrap(true);
    messageLabel->setMinimumWidth(320);
    // A message may carry something to copy, such as an address.
    messageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(20, 20, 20, 16);
    m_layout->setSpacing(10);
    m_layout->addWidget(titleLabel);
    m_layout->addWidget(messageLabel);

    m_buttonRow = new QHBoxLayout;
    m_buttonRow->setSpacing(8);
    m_buttonRow->addStretch(1);
    m_layout->addSpacing(6);
    m_layout->addLayout(m_buttonRow);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
}

AlertDialog *AlertDialog::overwriteWorkflow(const QString &name, QWidget *parent,
                                            std::function<void()> overwrite)
{
    auto *alert = new AlertDialog(
        tr("Workflow Exists"),
        tr("A workflow named '%1' already exists. Do you want to overwrite it?").arg(name), parent);
    alert->addButton(tr("Cancel"), Role::cancel);
    alert->addButton(tr("Overwrite"), Role::destructive, std::move(overwrite));
    return alert;
}

QPushButton *AlertDialog::addButton(const QString &text, Role role, std::function<void()> action)
{
    auto *button = new QPushButton(text, this);
    button->setAutoDefault(false);
    if (role == Role::destructive) {
        PaletteFollower::follow(button, [button] {
            QPalette palette = button->palette();
            palette.setColor(QPalette::ButtonText, Colors::redText());
            button->setPalette(palette);
        });
    }
    m_buttons.append(button);
    m_roles.append(role);
    m_actions.append(std::move(action));
    m_buttonRow->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, button] { finish(button); });

    // Return takes the first button that neither cancels nor destroys; failing that, the
    // cancel button, so a confirmation is never answered destructively by accident.
    QPushButton *defaultButton = nullptr;
    for (qsizetype i = 0; i < m_buttons.size() && !defaultButton; ++i) {
        if (m_roles[i] == Role::normal)
            defaultButton = m_buttons[i];
    }
    for (qsizetype i = 0; i < m_buttons.size() && !defaultButton; ++i) {
        if (m_roles[i] == Role::cancel)
            defaultButton = m_buttons[i];
    }
    for (QPushButton *each : std::as_const(m_buttons))
        each->setDefault(each == defaultButton);
    return button;
}

QLineEdit *AlertDialog::addTextField(const QString &placeholder)
{
    m_field = new QLineEdit(this);
    m_field->setAccessibleName(placeholder);
    m_field->setPlaceholderText(placeholder);
    m_layout->insertWidget(2, m_field);
    m_field->setFocus();
    return m_field;
}

QPushButton *AlertDialog::button(const QString &text) const
{
    for (QPushButton *each : m_buttons) {
        if (each->text() == text)
            return each;
    }
    return nullptr;
}

bool AlertDialog::press(const QString &text)
{
    QPushButton *target = button(text);
    if (!target)
        return false;
    target->click();
    return true;
}

void AlertDialog::reject()
{
    for (qsizetype i = 0; i < m_buttons.size(); ++i) {
        if (m_roles[i] == Role::cancel) {
            finish(m_buttons[i]);
            return;
        }
    }
    if (m_buttons.size() == 1) {
        finish(m_buttons.first());
        return;
    }
    QDialog::reject();
}

void AlertDialog::finish(QPushButton *button)
{
    if (m_finished)
        return;
    m_finished = true;
    const qsizetype index = m_buttons.indexOf(button);
    const std::function<void()> action = index >= 0 ? m_actions[index] : std::function<void()>();
    const bool cancelled = index >= 0 && m_roles[index] == Role::cancel;
    // Close first: the action may open the next alert.
    if (cancelled)
        QDialog::reject();
    else
        QDialog::accept();
    if (action)
        action();
}
