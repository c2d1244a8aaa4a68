#include "dialogs/errordetailssheet.h"

#include "controls/horizontaldivider.h"
#include "dialogs/problemrowdelegate.h"
#include "dialogs/sheetheader.h"
#include "filelist/filelistmodel.h"
#include "files/renamestatus.h"
#include "style/colors.h"
#include "style/palettefollower.h"

#include <QFrame>
#include <QListView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

ErrorDetailsSheet::ErrorDetailsSheet(RenameEngine *engine, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Issues Found"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(500, 400);

    m_header = new SheetHeader(tr("Issues Found"), this);
    connect(m_header->doneButton(), &QPushButton::clicked, this, &QDialog::accept);

    // A filter over the file list rather than a copy of it: previews change rows in place,
    // and the filter follows those changes without rebuilding the list.
    m_problems = new QSortFilterProxyModel(this);
    m_problems->setSourceModel(new FileListModel(engine, m_problems));
    m_problems->setFilterRole(FileListModel::StatusRole);
    m_problems->setFilterRegularExpression(
        QStringLiteral("^(%1|%2)$").arg(int(RenameStatus::conflict)).arg(int(RenameStatus::error)));
    m_list = new QListView(this);
    m_list->setModel(m_problems);
    m_list->setItemDelegate(new ProblemRowDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setAccessibleName(tr("Files with problems"));
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PaletteFollower::follow(m_list, [list = m_list] {
        QPalette listPalette = list->palette();
        listPalette.setColor(QPalette::Base, Colors::windowBackground());
        list->setPalette(listPalette);
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(new HorizontalDivider(this));
    auto *listArea = new QVBoxLayout;
    listArea->setContentsMargins(16, 16, 16, 16 - ProblemRowDelegate::rowSpacing);
    listArea->addWidget(m_list);
    layout->addLayout(listArea, 1);

    connect(m_problems, &QAbstractItemModel::modelReset, this, &ErrorDetailsSheet::updateSubtitle);
    connect(m_problems, &QAbstractItemModel::layoutChanged, this,
            &ErrorDetailsSheet::updateSubtitle);
    connect(m_problems, &QAbstractItemModel::rowsInserted, this,
            &ErrorDetailsSheet::updateSubtitle);
    connect(m_problems, &QAbstractItemModel::rowsRemoved, this, &ErrorDetailsSheet::updateSubtitle);
    updateSubtitle();
}

void ErrorDetailsSheet::updateSubtitle()
{
    m_header->setSubtitle(tr("%n file(s) with problems", nullptr, m_problems->rowCount()));
}
