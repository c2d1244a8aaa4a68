#pragma once

#include <QWidget>

class RenameEngine;

// The empty-state invitation to drop files: a tinted circle with a document icon, two lines
// of text and a dashed rounded border, all of which turn blue while files are dragged over
// it. The whole area takes the drop.
class ModernFileDropZone : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool targeted READ isTargeted WRITE setTargeted NOTIFY targetedChanged)

public:
    explicit ModernFileDropZone(RenameEngine *engine, QWidget *parent = nullptr);

    RenameEngine *renameEngine() const { return m_engine; }
    bool isTargeted() const { return m_targeted; }
    // For screenshots of the targeted look.
    void setTargeted(bool targeted);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Read when needed, so that they follow the translation loaded at start.
    static QString title();
    static QString subtitle();

Q_SIGNALS:
    void targetedChanged(bool targeted);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    RenameEngine *m_engine;
    bool m_targeted = false;
};
