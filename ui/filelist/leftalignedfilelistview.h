#pragma once

#include <QListView>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QTimer>

class FileListModel;
class FileRowDelegate;
class RenameEngine;

// The scrolling list of the engine's files, one painted row per file. A click anywhere on
// a row, or Space on the current row, toggles that file's selection; moving through the
// list selects nothing. Files dropped on the list are added. Rows dragged within the list,
// or moved with Alt+Up and Alt+Down, take their new place in the engine's order.
class LeftAlignedFileListView : public QListView {
    Q_OBJECT
    Q_PROPERTY(bool targeted READ isTargeted NOTIFY targetedChanged)

public:
    explicit LeftAlignedFileListView(RenameEngine *engine, QWidget *parent = nullptr);

    RenameEngine *renameEngine() const { return m_engine; }
    FileListModel *fileModel() const { return m_model; }
    // Whether a drag carrying files is over the list. The list looks the same either way.
    bool isTargeted() const { return m_targeted; }

Q_SIGNALS:
    void targetedChanged(bool targeted);

protected Q_SLOTS:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

protected:
    // Nothing selects on its own; a click or Space toggles one row.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void toggle(const QModelIndex &index);
    void scrollToCurrent();
    void setTargeted(bool targeted);
    void showAddedFiles(int first, int last);
    // The current row's tooltip beside it, as hovering shows it, for the keyboard.
    void showCurrentToolTip();
    void dragRows();
    // The row a drag of rows at `position` would drop them before; the row count after the
    // last row.
    int dropRowAt(const QPoint &position) const;
    void setDropRow(int row);
    void scrollWhileDragging();
    void moveSelectedRows(int by);

    RenameEngine *m_engine;
    FileListModel *m_model;
    FileRowDelegate *m_delegate;
    QPersistentModelIndex m_pressedIndex;
    QPoint m_pressedAt;
    // Where dragged rows would land, shown as a line; -1 while no rows are dragged over.
    int m_dropRow = -1;
    int m_dragY = 0; // the drag's height in the viewport, for scrolling near the edges
    QTimer m_dragScroll;
    bool m_targeted = false;
    // The keyboard moved to another row, or into the list: its tooltip shows once the key
    // is let go and the row is in view (on some systems a tooltip hides on every key).
    // Escape hides it.
    bool m_toolTipDue = false;
};
