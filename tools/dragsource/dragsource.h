#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

// Starts a drag of its files as soon as a mouse button goes down on it, then reports
// whether a target took them: the drag runs in this process and the drop lands in another,
// as with a file manager.
class DragSource : public QWidget {
    Q_OBJECT

public:
    explicit DragSource(QList<QUrl> files, QWidget *parent = nullptr);

Q_SIGNALS:
    void finished(bool accepted);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QList<QUrl> m_files;
};
