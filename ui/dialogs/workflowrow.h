#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;
class QToolButton;

// One saved workflow in the management sheet: its name with rename and delete buttons, or,
// in rename mode, a field with "Save" and "Cancel".
class WorkflowRow : public QWidget {
    Q_OBJECT

public:
    enum class Mode { normal, rename };

    WorkflowRow(const QString &name, Mode mode, const QString &newName, QWidget *parent = nullptr);

    QString name() const { return m_name; }
    Mode mode() const { return m_mode; }
    QToolButton *renameButton() const { return m_renameButton; }
    QToolButton *deleteButton() const { return m_deleteButton; }
    QLineEdit *nameField() const { return m_nameField; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

Q_SIGNALS:
    void renameRequested();
    void deleteRequested();
    void newNameEdited(const QString &text);
    void commitRequested();
    void cancelRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    Mode m_mode;
    QToolButton *m_renameButton = nullptr;
    QToolButton *m_deleteButton = nullptr;
    QLineEdit *m_nameField = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
