#include "operations/operationstackmodel.h"

#include "renameengine.h"

#include <QScopedValueRollback>

OperationStackModel::OperationStackModel(RenameEngine *engine, QObject *parent)
    : QAbstractListModel(parent), m_engine(engine), m_rows(int(engine->operations().size()))
{
    connect(engine, &RenameEngine::operationsChanged, this, &OperationStackModel::followOperations);
    // A pattern can run out of time on files added after it was typed.
    connect(engine, &RenameEngine::filesChanged, this, [this] {
        if (!m_applying)
            announcePatternProblems();
    });
}

int OperationStackModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

Qt::ItemFlags OperationStackModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

QVariant OperationStackModel::data(const QModelIndex &index, int role) const
{
    if (!m_engine || !index.isValid() || index.model() != this ||
        index.row() >= m_engine->operations().size())
        return QVariant();
    switch (role) {
    case OperationRole:
        return QVariant::fromValue(m_engine->operations().at(index.row()));
    case PatternProblemRole:
        return m_engine->patternProblem(index.row());
    case ReplacementProblemRole:
        return m_engine->replacementProblem(index.row());
    default:
        return QVariant();
    }
}

bool OperationStackModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_engine || role != OperationRole || !index.isValid() || index.model() != this ||
        index.row() >= m_engine->operations().size() || !value.canConvert<RenameOperationWrapper>())
        return false;
    const auto operation = value.value<RenameOperationWrapper>();
    const bool changed = m_engine->operations().at(index.row()) != operation;
    {
        const QScopedValueRollback applying(m_applying, true);
        m_engine->setOperation(index.row(), operation);
        m_engine->updatePreview();
    }
    if (changed)
        Q_EMIT dataChanged(index, index, {OperationRole});
    announcePatternProblems();
    return true;
}

QHash<int, QByteArray> OperationStackModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(OperationRole, "operation");
    names.insert(PatternProblemRole, "patternProblem");
    names.insert(ReplacementProblemRole, "replacementProblem");
    return names;
}

bool OperationStackModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (!m_engine || parent.isValid() || row != m_rows || count <= 0)
        return false;
    // The engine appends, and its signal adds the row here before anyone else hears of the
    // new step, so whoever follows the stack finds the row already there.
    for (int i = 0; i < count; ++i)
        m_engine->addOperation();
    return m_rows == row + count;
}

bool OperationStackModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (!m_engine || parent.isValid() || row < 0 || count <= 0 || row + count > m_rows)
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    {
        const QScopedValueRollback applying(m_applying, true);
        for (int i = 0; i < count; ++i)
            m_engine->removeOperation(row);
    }
    m_rows = int(m_engine->operations().size());
    endRemoveRows();
    announcePatternProblems();
    return true;
}

void OperationStackModel::followOperations()
{
    if (m_applying || !m_engine)
        return;
    // Rows stand for positions: the stack grows or shrinks at its end, and whatever stays
    // may hold another step now.
    const int rows = int(m_engine->operations().size());
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows(QModelIndex(), rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0), index(m_rows - 1));
}

void OperationStackModel::announcePatternProblems()
{
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0), index(m_rows - 1),
                           {PatternProblemRole, ReplacementProblemRole});
}
