#include "dialogs/problemfilesmodel.h"

#include "renameengine.h"

ProblemFilesModel::ProblemFilesModel(RenameEngine *engine, QObject *parent)
    : QAbstractListModel(parent), m_engine(engine)
{
    connect(engine, &RenameEngine::filesChanged, this, &ProblemFilesModel::rebuild);
    rebuild();
}

int ProblemFilesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_problems.size());
}

QVariant ProblemFilesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_problems.size())
        return {};
    const FileItem &item = m_problems.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return item.originalName;
    case Qt::ToolTipRole:
        return item.errorMessage.value_or(QString());
    default:
        return {};
    }
}

void ProblemFilesModel::rebuild()
{
    beginResetModel();
    m_problems.clear();
    if (m_engine) {
        for (const FileItem &item : m_engine->files()) {
            if (item.status == RenameStatus::conflict || item.status == RenameStatus::error)
                m_problems.append(item);
        }
    }
    endResetModel();
}
