#pragma once

#include <QAbstractButton>
#include <QList>
#include <QStringList>

class QMenu;

// A borderless pop-up button: the current choice's title, a flexible space and an up-down
// chevron, inside a thin rounded outline. The whole rectangle opens the menu of choices.
class ChoiceMenuButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QStringList titles READ titles CONSTANT)
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)
    Q_PROPERTY(QString currentText READ currentText NOTIFY currentIndexChanged)

public:
    explicit ChoiceMenuButton(const QStringList &titles, QWidget *parent = nullptr);

    QStringList titles() const { return m_titles; }
    int currentIndex() const { return m_current; }
    QString currentText() const { return m_titles.value(m_current); }
    // Changes the shown choice without reporting it as the user's.
    void setCurrentIndex(int index);
    // Puts a dividing line in the menu above the choice at `index`.
    void setStartsGroup(int index);
    QMenu *menu() const { return m_menu; }
    // The menu's items for the choices, in their order; the menu also holds the dividers.
    QList<QAction *> choiceActions() const { return m_actions; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user chose an item, also when it is the one already shown.
    void activated(int index);
    // The shown choice changed, by the user or through setCurrentIndex().
    void currentIndexChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showMenu();

    QStringList m_titles;
    int m_current = 0;
    QMenu *m_menu;
    QList<QAction *> m_actions;
};
