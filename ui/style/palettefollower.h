#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Keeps colours that were handed to a widget (an explicit palette role, a tinted icon, an
// accent) in step with the desktop: the colouring runs once at once, and again whenever the
// application palette, the widget's palette or the theme changes while the program runs.
class PaletteFollower : public QObject {
    Q_OBJECT

public:
    // The follower belongs to `widget`; `apply` reads the colours it needs when it runs.
    static void follow(QWidget *widget, std::function<void()> apply);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    PaletteFollower(QWidget *widget, std::function<void()> apply);
    void reapply();

    std::function<void()> m_apply;
    bool m_applying = false;
};
