#include "style/palettefollower.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace {

// Tells every follower about a change of the application palette. Widgets that carry a
// palette of their own (a style sheet gives them one) are not told by Qt, so the one event
// that always arrives, the application's own, is watched here once for all of them.
class ApplicationPaletteWatch : public QObject {
    Q_OBJECT

public:
    static ApplicationPaletteWatch *instance()
    {
        static ApplicationPaletteWatch *watch = [] {
            auto *created = new ApplicationPaletteWatch;
            created->setParent(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(created);
            return created;
        }();
        return watch;
    }

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == QCoreApplication::instance() &&
            (event->type() == QEvent::ApplicationPaletteChange ||
             event->type() == QEvent::ThemeChange))
            Q_EMIT changed();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void PaletteFollower::follow(QWidget *widget, std::function<void()> apply)
{
    new PaletteFollower(widget, std::move(apply));
}

PaletteFollower::PaletteFollower(QWidget *widget, std::function<void()> apply)
    : QObject(widget), m_apply(std::move(apply))
{
    reapply();
    widget->installEventFilter(this);
    connect(ApplicationPaletteWatch::instance(), &ApplicationPaletteWatch::changed, this,
            &PaletteFollower::reapply);
}

void PaletteFollower::reapply()
{
    // Colouring sets palettes, which reports a palette change of its own.
    if (m_applying)
        return;
    m_applying = true;
    m_apply();
    m_applying = false;
}

bool PaletteFollower::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::ThemeChange:
        reapply();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

#include "palettefollower.moc"
