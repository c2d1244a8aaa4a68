#pragma once

#include <QObject>

class UpdateChecker;

// Mirrors the checker's canCheckForUpdates for the menu command: the current value at once,
// then every change as it happens, for as long as the view model lives.
class CheckForUpdatesViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    explicit CheckForUpdatesViewModel(UpdateChecker *checker, QObject *parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void setCanCheckForUpdates(bool canCheck);

    bool m_canCheckForUpdates = false;
};
