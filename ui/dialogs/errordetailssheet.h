#pragma once

#include <QDialog>

class QListView;
class QSortFilterProxyModel;
class RenameEngine;
class SheetHeader;

// Lists every file whose new name has a problem, with the reason and the name it would
// get. Window-modal over the main window; "Done" or Escape closes it.
class ErrorDetailsSheet : public QDialog {
    Q_OBJECT

public:
    explicit ErrorDetailsSheet(RenameEngine *engine, QWidget *parent = nullptr);

    SheetHeader *header() const { return m_header; }
    QListView *list() const { return m_list; }
    // The listed files with a conflict or an error, in list order, following the engine.
    QSortFilterProxyModel *problems() const { return m_problems; }

private:
    void updateSubtitle();

    SheetHeader *m_header;
    QListView *m_list;
    QSortFilterProxyModel *m_problems;
};
