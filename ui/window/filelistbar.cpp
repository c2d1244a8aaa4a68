#include "window/filelistbar.h"

#include "controls/minimalistbutton.h"
#include "controls/statusbadge.h"
#include "dialogs/alertdialog.h"
#include "renameengine.h"
#include "style/colors.h"
#include "style/palettefollower.h"
#include "window/sortactions.h"
#include "window/windowbars.h"
#include "window/windowpresenter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

FileListBar::FileListBar(RenameEngine *engine, WindowPresenter *presenter, QWidget *parent)
    : QWidget(parent), m_engine(engine), m_presenter(presenter)
{
    setAutoFillBackground(true);
    setFixedHeight(44);

    m_addButton = new MinimalistButton(
        QStringLiteral("plus.circle.fill"), tr("Add"), Colors::blue(),
        [this] { m_engine->browseFiles(); }, this);
    m_addButton->setObjectName(QStringLiteral("addFilesButton"));
    m_addButton->setToolTip(tr("Add files to rename"));
    m_removeButton = new MinimalistButton(
        QStringLiteral("minus.circle.fill"), tr("Remove"), Colors::red(),
        [this] { m_engine->removeSelectedFiles(); }, this);
    m_removeButton->setObjectName(QStringLiteral("removeFilesButton"));
    m_removeButton->setToolTip(tr("Remove selected files"));
    m_clearButton = new MinimalistButton(
        QStringLiteral("xmark.circle.fill"), tr("Clear"), Colors::orange(),
        [this] { confirmClear(); }, this);
    m_clearButton->setObjectName(QStringLiteral("clearFilesButton"));
    m_clearButton->setToolTip(tr("Clear all files"));
    m_sortActions = new SortActions(engine, this);
    m_sortButton = new MinimalistButton(
        QStringLiteral("arrow.up.arrow.down"), tr("Sort"), Colors::blue(),
        [this] {
            m_sortActions->menu()->popup(
                m_sortButton->mapToGlobal(QPoint(0, m_sortButton->height())));
        },
        this);
    m_sortButton->setObjectName(QStringLiteral("sortFilesButton"));
    m_sortButton->setToolTip(tr("Put the files in order"));
    m_deselectDivider = WindowBars::verticalDivider(20, this);
    m_deselectDivider->setObjectName(QStringLiteral("deselectDivider"));
    m_deselectButton = new MinimalistButton(
        QStringLiteral("checkmark.circle"), tr("Deselect All"), Colors::gray(),
        [this] { m_engine->deselectAll(); }, this);
    m_deselectButton->setObjectName(QStringLiteral("deselectAllButton"));
    m_deselectButton->setToolTip(tr("Deselect all files"));

    m_fileCount = new QLabel(this);
    m_fileCount->setObjectName(QStringLiteral("fileCount"));

    m_problemButton = new QPushButton(this);
    m_problemButton->setObjectName(QStringLiteral("problemBadgesButton"));
    m_problemButton->setFlat(true);
    m_problemButton->setToolTip(tr("Click to see details"));
    m_problemButton->setAccessibleName(tr("Problem details"));
    m_problemButton->setCursor(Qt::PointingHandCursor);
    m_problemButton->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0; }"));
    auto *badges = new QHBoxLayout(m_problemButton);
    badges->setContentsMargins(0, 0, 0, 0);
    badges->setSpacing(8);
    m_conflictBadge = new StatusBadge(QStringLiteral("exclamationmark.triangle.fill"), 0,
                                      tr("conflict"), Colors::orange(), m_problemButton);
    m_conflictBadge->setObjectName(QStringLiteral("conflictBadge"));
    m_errorBadge = new StatusBadge(QStringLiteral("xmark.circle.fill"), 0, tr("error"),
                                   Colors::red(), m_problemButton);
    m_errorBadge->setObjectName(QStringLiteral("errorBadge"));
    for (StatusBadge *badge : {m_conflictBadge, m_errorBadge}) {
        badge->setAttribute(Qt::WA_TransparentForMouseEvents);
        badges->addWidget(badge);
    }
    connect(m_problemButton, &QPushButton::clicked, m_presenter,
            &WindowPresenter::showErrorDetails);
    // The background and the accents have a light and a dark variant.
    PaletteFollower::follow(this, [this] {
        QPalette background = palette();
        background.setColor(QPalette::Window, Colors::windowBackground());
        setPalette(background);
        m_addButton->setColor(Colors::blue());
        m_removeButton->setColor(Colors::red());
        m_clearButton->setColor(Colors::orange());
        m_sortButton->setColor(Colors::blue());
        m_deselectButton->setColor(Colors::gray());
        WindowBars::setTextColor(m_fileCount, Colors::secondaryText());
        m_conflictBadge->setColor(Colors::orange());
        m_errorBadge->setColor(Colors::red());
    });

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(WindowBars::defaultPadding, 0, WindowBars::defaultPadding, 0);
    row->setSpacing(12);
    auto *commands = new QHBoxLayout;
    commands->setSpacing(8);
    for (QWidget *widget :
         std::initializer_list<QWidget *>{m_addButton, m_removeButton, m_clearButton, m_sortButton,
                                          m_deselectDivider, m_deselectButton})
        commands->addWidget(widget, 0, Qt::AlignVCenter);
    auto *summary = new QHBoxLayout;
    summary->setSpacing(12);
    summary->addWidget(m_fileCount, 0, Qt::AlignVCenter);
    summary->addWidget(m_problemButton, 0, Qt::AlignVCenter);
    row->addLayout(commands);
    row->addStretch(1);
    row->addLayout(summary);

    connect(engine, &RenameEngine::filesChanged, this, &FileListBar::followFiles);
    connect(engine, &RenameEngine::selectedFilesChanged, this, &FileListBar::followSelection);
    followFiles();
    followSelection();
}

QList<QWidget *> FileListBar::tabStops() const
{
    return {m_addButton,  m_removeButton,   m_clearButton,
            m_sortButton, m_deselectButton, m_problemButton};
}

void FileListBar::followFiles()
{
    const qsizetype count = m_engine->files().size();
    m_fileCount->setVisible(count > 0);
    m_fileCount->setText(tr("%n file(s)", nullptr, int(count)));
    m_clearButton->setEnabled(count > 0);
    m_sortButton->setEnabled(count > 1);

    const qsizetype conflicts = m_engine->conflictCount();
    const qsizetype errors = m_engine->errorCount();
    m_conflictBadge->setCount(conflicts);
    m_conflictBadge->setVisible(conflicts > 0);
    m_errorBadge->setCount(errors);
    m_errorBadge->setVisible(errors > 0);
    m_problemButton->setVisible(conflicts > 0 || errors > 0);
    m_problemButton->setFixedSize(m_problemButton->layout()->sizeHint());
}

void FileListBar::followSelection()
{
    const bool any = !m_engine->selectedFiles().isEmpty();
    m_removeButton->setEnabled(any);
    m_deselectDivider->setVisible(any);
    m_deselectButton->setVisible(any);
}

void FileListBar::confirmClear()
{
    AlertDialog *alert = m_presenter->makeAlert(
        tr("Clear All Files?"), tr("This will remove all %n file(s) from the list. This action "
                                   "cannot be undone.",
                                   nullptr, int(m_engine->files().size())));
    alert->addButton(tr("Cancel"), AlertDialog::Role::cancel);
    alert->addButton(tr("Clear"), AlertDialog::Role::destructive, [this] { m_engine->clearAll(); });
    m_presenter->present(alert);
}
