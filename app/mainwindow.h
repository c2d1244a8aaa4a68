#pragma once

#include <QMainWindow>

class ContentView;
class QMenuBar;
class QSettings;

// The one window of the application. Closing it only hides it: the process keeps running
// with the window and everything in it, and shows the same window again when asked (the
// application quits instead where nothing could ask). Only when the application quits does
// the window really close.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr QSize initialSize{900, 600};
    static constexpr QSize minimumContentSize{700, 500};

    MainWindow(ContentView *content, QSettings *settings, QWidget *parent = nullptr);

    ContentView *contentView() const { return m_content; }
    // Remembers where the window is, under "MainWindow".
    void saveFrame();

Q_SIGNALS:
    void hiddenByClose();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ContentView *m_content;
    QSettings *m_settings;
    QMenuBar *m_menuBar;
    bool m_quitting = false;
};
