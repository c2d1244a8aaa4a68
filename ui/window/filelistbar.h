#pragma once

#include <QWidget>

class MinimalistButton;
class QFrame;
class QLabel;
class QPushButton;
class RenameEngine;
class SortActions;
class StatusBadge;
class WindowPresenter;

// The bar under the file area: Add, Remove, Clear, Sort and Deselect All on the left; the file
// count and the conflict and error badges, which open the error details, on the right.
class FileListBar : public QWidget {
    Q_OBJECT

public:
    FileListBar(RenameEngine *engine, WindowPresenter *presenter, QWidget *parent = nullptr);

    // The controls Tab visits, left to right.
    QList<QWidget *> tabStops() const;
    SortActions *sortActions() const { return m_sortActions; }

private:
    void followFiles();
    void followSelection();
    void confirmClear();

    RenameEngine *m_engine;
    WindowPresenter *m_presenter;
    MinimalistButton *m_addButton = nullptr;
    MinimalistButton *m_removeButton = nullptr;
    MinimalistButton *m_clearButton = nullptr;
    MinimalistButton *m_sortButton = nullptr;
    SortActions *m_sortActions = nullptr;
    MinimalistButton *m_deselectButton = nullptr;
    QFrame *m_deselectDivider = nullptr;
    QLabel *m_fileCount = nullptr;
    QPushButton *m_problemButton = nullptr;
    StatusBadge *m_conflictBadge = nullptr;
    StatusBadge *m_errorBadge = nullptr;
};
