#pragma once

#include "files/fileorder.h"

#include <QObject>

#include <optional>

class QAction;
class QMenu;
class RenameEngine;

// The commands that put the file list in order: sort by each key, the direction of the
// sort, and Reverse Order. One menu of them, shown by the file list's bar and by the menu
// bar alike. A sort happens once, when chosen; choosing the other direction sorts again by
// the key chosen last.
class SortActions : public QObject {
    Q_OBJECT

public:
    explicit SortActions(RenameEngine *engine, QObject *parent = nullptr);

    QMenu *menu() const { return m_menu; }
    QAction *sortAction(SortKey key) const { return m_sortBy.at(int(key)); }
    QAction *ascendingAction() const { return m_ascending; }
    QAction *descendingAction() const { return m_descending; }
    QAction *reverseAction() const { return m_reverse; }

private:
    void sortBy(SortKey key);
    void follow();

    RenameEngine *m_engine;
    QMenu *m_menu;
    QList<QAction *> m_sortBy;
    QAction *m_ascending;
    QAction *m_descending;
    QAction *m_reverse;
    std::optional<SortKey> m_lastKey;
};
