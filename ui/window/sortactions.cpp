#include "window/sortactions.h"

#include "renameengine.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

SortActions::SortActions(RenameEngine *engine, QObject *parent)
    : QObject(parent), m_engine(engine), m_menu(new QMenu(tr("&Sort")))
{
    m_menu->setObjectName(QStringLiteral("sortMenu"));
    const QString titles[] = {tr("&Name"), tr("Date &Modified"), tr("&Size"),
                              tr("&Kind"), tr("&Folder"),        tr("Date &Taken")};
    for (const SortKey key : EnumCases<SortKey>::all) {
        QAction *action = m_menu->addAction(titles[int(key)]);
        action->setObjectName(QStringLiteral("sortBy-") + rawValue(key));
        connect(action, &QAction::triggered, this, [this, key] { sortBy(key); });
        m_sortBy.append(action);
    }
    m_menu->addSeparator();
    auto *direction = new QActionGroup(this);
    m_ascending = m_menu->addAction(tr("&Ascending"));
    m_descending = m_menu->addAction(tr("&Descending"));
    for (QAction *action : {m_ascending, m_descending}) {
        action->setCheckable(true);
        direction->addAction(action);
        connect(action, &QAction::triggered, this, [this] {
            if (m_lastKey)
                sortBy(*m_lastKey);
        });
    }
    m_ascending->setChecked(true);
    m_menu->addSeparator();
    m_reverse = m_menu->addAction(tr("&Reverse Order"));
    connect(m_reverse, &QAction::triggered, m_engine, &RenameEngine::reverseFiles);

    connect(engine, &RenameEngine::filesChanged, this, &SortActions::follow);
    connect(engine, &RenameEngine::busyChanged, this, &SortActions::follow);
    connect(this, &QObject::destroyed, m_menu, &QObject::deleteLater);
    follow();
}

void SortActions::sortBy(SortKey key)
{
    m_lastKey = key;
    m_engine->sortFiles(key, m_descending->isChecked() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void SortActions::follow()
{
    // Two files are the fewest that have an order.
    const bool canOrder = m_engine->files().size() > 1 && !m_engine->isBusy();
    for (QAction *action : std::as_const(m_sortBy))
        action->setEnabled(canOrder);
    m_reverse->setEnabled(canOrder);
}
