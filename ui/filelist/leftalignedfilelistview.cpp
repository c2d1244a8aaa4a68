#include "filelist/leftalignedfilelistview.h"

#include "filelist/filedrop.h"
#include "filelist/filelistmodel.h"
#include "filelist/filerowdelegate.h"
#include "filelist/fileselectionmodel.h"
#include "renameengine.h"
#include "style/colors.h"

#include <QAccessible>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <utility>

LeftAlignedFileListView::LeftAlignedFileListView(RenameEngine *engine, QWidget *parent)
    : QListView(parent), m_engine(engine), m_model(new FileListModel(engine, this)),
      m_delegate(new FileRowDelegate(this))
{
    // Everything that shapes the layout is set before the model: some of these setters
    // ask for an item position and so lay out every row of a model already set.
    setUniformItemSizes(true);
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setResizeMode(QListView::Adjust);
    setLayoutMode(QListView::SinglePass);
    // Any number of rows can be selected, one at a time, which is what screen readers are
    // told too.
    setSelectionMode(QAbstractItemView::MultiSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(m_delegate);
    setModel(m_model);
    QItemSelectionModel *plain = selectionModel();
    setSelectionModel(new FileSelectionModel(m_model, this));
    delete plain;
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setAutoScroll(false);
    verticalScrollBar()->setSingleStep(FileRowDelegate::rowPitch() / 2);
    // The list sits on the text background, edge to edge.
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Files"));
    m_dragScroll.setInterval(40);
    connect(&m_dragScroll, &QTimer::timeout, this, &LeftAlignedFileListView::scrollWhileDragging);
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { showAddedFiles(first, last); });
}

void LeftAlignedFileListView::showAddedFiles(int first, int last)
{
    // Added files go to the end: show as many as fit, the first of them always.
    scrollTo(m_model->index(last), EnsureVisible);
    scrollTo(m_model->index(first), EnsureVisible);
}

QItemSelectionModel::SelectionFlags LeftAlignedFileListView::selectionCommand(const QModelIndex &,
                                                                              const QEvent *) const
{
    return QItemSelectionModel::NoUpdate;
}

void LeftAlignedFileListView::dataChanged(const QModelIndex &topLeft,
                                          const QModelIndex &bottomRight, const QList<int> &roles)
{
    // QListView lays out every row again after any change of data, in case an item's size
    // changed, and the item view measures the rectangle of every changed row to find what
    // to repaint: two walks over the whole list for each preview. Rows here all have the
    // same size whatever they show, so the positions stay, and the rows of a preview span
    // the viewport.
    if (topLeft == bottomRight) {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    viewport()->update();
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setFirstColumn(topLeft.column());
        event.setLastRow(bottomRight.row());
        event.setLastColumn(bottomRight.column());
        QAccessible::updateAccessibility(&event);
    }
#endif
}

void LeftAlignedFileListView::toggle(const QModelIndex &index)
{
    selectionModel()->select(index, QItemSelectionModel::Toggle);
}

void LeftAlignedFileListView::mousePressEvent(QMouseEvent *event)
{
    // Qt's own press handling would select on the press, start drags and edit; the list
    // toggles a row when the click ends on the row it began on.
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressedIndex = indexAt(event->position().toPoint());
    m_pressedAt = event->position().toPoint();
    setFocus(Qt::MouseFocusReason);
    if (m_pressedIndex.isValid())
        setCurrentIndex(m_pressedIndex);
    event->accept();
}

void LeftAlignedFileListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Two quick clicks are two toggles, not a double click.
    mousePressEvent(event);
}

void LeftAlignedFileListView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!(event->buttons() & Qt::LeftButton) || !m_pressedIndex.isValid() ||
        (event->position().toPoint() - m_pressedAt).manhattanLength() <
            QApplication::startDragDistance())
        return;
    dragRows();
}

void LeftAlignedFileListView::dragRows()
{
    // The selected rows when the row pressed is one of them, otherwise that row alone.
    QModelIndexList rows;
    if (selectionModel()->isSelected(m_pressedIndex))
        rows = selectionModel()->selectedIndexes();
    else
        rows.append(m_pressedIndex);
    const QModelIndex pressed = m_pressedIndex;
    // The drag ends the click: its release does not toggle the row.
    m_pressedIndex = QPersistentModelIndex();
    QMimeData *carried = m_model->mimeData(rows);
    if (!carried)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(carried);
    const QRect rect = visualRect(pressed);
    if (rect.isValid()) {
        drag->setPixmap(viewport()->grab(rect));
        drag->setHotSpot(m_pressedAt - rect.topLeft());
    }
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

int LeftAlignedFileListView::dropRowAt(const QPoint &position) const
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return position.y() < 0 ? 0 : m_model->rowCount();
    const QRect rect = visualRect(index);
    return position.y() < rect.center().y() ? index.row() : index.row() + 1;
}

void LeftAlignedFileListView::setDropRow(int row)
{
    if (m_dropRow == row)
        return;
    m_dropRow = row;
    viewport()->update();
}

void LeftAlignedFileListView::scrollWhileDragging()
{
    // Near an edge the list scrolls towards it, faster the closer the pointer is.
    const int margin = 2 * FileRowDelegate::rowPitch();
    QScrollBar *bar = verticalScrollBar();
    const int height = viewport()->height();
    int step = 0;
    if (m_dragY < margin)
        step = -(margin - m_dragY);
    else if (m_dragY > height - margin)
        step = m_dragY - (height - margin);
    if (step == 0 || m_dropRow < 0) {
        m_dragScroll.stop();
        return;
    }
    bar->setValue(bar->value() + step / 2 + (step > 0 ? 1 : -1));
    setDropRow(dropRowAt(QPoint(viewport()->width() / 2, m_dragY)));
}

void LeftAlignedFileListView::paintEvent(QPaintEvent *event)
{
    QListView::paintEvent(event);
    if (m_dropRow < 0)
        return;
    // A line between the rows where the dragged rows would land.
    const int rows = m_model->rowCount();
    int y = 0;
    if (rows > 0) {
        y = m_dropRow < rows ? visualRect(m_model->index(m_dropRow)).top()
                             : visualRect(m_model->index(rows - 1)).bottom() + 1;
    }
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Colors::blue(), 2));
    painter.drawLine(QPoint(4, y), QPoint(viewport()->width() - 4, y));
}

void LeftAlignedFileListView::moveSelectedRows(int by)
{
    m_engine->moveSelectedFiles(by);
    // The moved rows stay in sight: the first of them going up, the last going down.
    int edge = -1;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        const int row = by < 0 ? range.top() : range.bottom();
        if (edge < 0 || (by < 0 ? row < edge : row > edge))
            edge = row;
    }
    if (edge >= 0)
        scrollTo(m_model->index(edge));
}

void LeftAlignedFileListView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QModelIndex released = indexAt(event->position().toPoint());
    if (released.isValid() && released == m_pressedIndex)
        toggle(released);
    m_pressedIndex = QPersistentModelIndex();
    event->accept();
}

void LeftAlignedFileListView::keyPressEvent(QKeyEvent *event)
{
    // The keyboard reaches the same toggle as a click.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
        currentIndex().isValid()) {
        toggle(currentIndex());
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) &&
        event->modifiers() == Qt::NoModifier) {
        const int row = currentIndex().row();
        m_engine->removeSelectedFiles();
        // The current row stays where it was, or on the last row left.
        if (m_model->rowCount() > 0)
            setCurrentIndex(m_model->index(qBound(0, row, m_model->rowCount() - 1)));
        scrollToCurrent();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) &&
        event->modifiers() == Qt::AltModifier) {
        moveSelectedRows(event->key() == Qt::Key_Up ? -1 : 1);
        event->accept();
        return;
    }
    // Selecting every row at once is not offered; the shortcut goes on to the window.
    if (event->matches(QKeySequence::SelectAll)) {
        event->ignore();
        return;
    }
    QListView::keyPressEvent(event);
    scrollToCurrent();
}

void LeftAlignedFileListView::keyReleaseEvent(QKeyEvent *event)
{
    QListView::keyReleaseEvent(event);
    if (std::exchange(m_toolTipDue, false))
        showCurrentToolTip();
    else if (event->key() == Qt::Key_Escape)
        QToolTip::hideText();
}

void LeftAlignedFileListView::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_toolTipDue = true;
}

void LeftAlignedFileListView::currentChanged(const QModelIndex &current,
                                             const QModelIndex &previous)
{
    QListView::currentChanged(current, previous);
    if (hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton)
        m_toolTipDue = true;
}

void LeftAlignedFileListView::showCurrentToolTip()
{
    const QModelIndex index = currentIndex();
    const QString text = index.data(Qt::ToolTipRole).toString();
    const QRect row = visualRect(index);
    if (!hasFocus() || text.isEmpty() || !viewport()->rect().intersects(row)) {
        QToolTip::hideText();
        return;
    }
    // Below the new name, where the eye already is.
    const QPoint at(row.left() + row.width() / 2, row.bottom());
    QToolTip::showText(viewport()->mapToGlobal(at), text, viewport(), row);
}

void LeftAlignedFileListView::scrollToCurrent()
{
    // The list does not scroll by itself when its current row changes (auto-scroll is off,
    // so that a drag over it does not scroll it): a key that moves the current row, to the
    // next one, a page on, or to either end, brings that row into view here.
    if (currentIndex().isValid())
        scrollTo(currentIndex());
}

void LeftAlignedFileListView::setTargeted(bool targeted)
{
    if (std::exchange(m_targeted, targeted) != targeted)
        Q_EMIT targetedChanged(targeted);
}

void LeftAlignedFileListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this && event->mimeData()->hasFormat(FileListModel::rowIdsMimeType())) {
        dragMoveEvent(event);
        return;
    }
    if (FileDrop::accept(event))
        setTargeted(true);
}

void LeftAlignedFileListView::dragMoveEvent(QDragMoveEvent *event)
{
    // Rows dragged within the list move; a drag of files from elsewhere adds them.
    if (event->source() == this && event->mimeData()->hasFormat(FileListModel::rowIdsMimeType())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        m_dragY = event->position().toPoint().y();
        setDropRow(dropRowAt(event->position().toPoint()));
        if (!m_dragScroll.isActive())
            m_dragScroll.start();
        return;
    }
    FileDrop::accept(event);
}

void LeftAlignedFileListView::dragLeaveEvent(QDragLeaveEvent *event)
{
    setTargeted(false);
    setDropRow(-1);
    m_dragScroll.stop();
    event->accept();
}

void LeftAlignedFileListView::dropEvent(QDropEvent *event)
{
    setTargeted(false);
    m_dragScroll.stop();
    setDropRow(-1);
    const int row = dropRowAt(event->position().toPoint());
    if (event->source() == this && event->mimeData()->hasFormat(FileListModel::rowIdsMimeType())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        const QList<QUuid> ids = FileListModel::rowIds(event->mimeData());
        m_model->dropMimeData(event->mimeData(), Qt::MoveAction, row, 0, QModelIndex());
        // The moved rows stay in sight, the first of them at least.
        if (!ids.isEmpty()) {
            const QList<FileItem> &files = m_engine->files();
            for (qsizetype i = 0; i < files.size(); ++i) {
                if (files.at(i).id == ids.first()) {
                    scrollTo(m_model->index(int(i)));
                    break;
                }
            }
        }
        return;
    }
    if (FileDrop::accept(event))
        FileDrop::addToEngine(event->mimeData(), m_engine);
}
