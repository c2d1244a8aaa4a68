#pragma once

#include "fileitem.h"

#include <QAbstractListModel>
#include <QPointer>

class RenameEngine;

// The listed files that have a problem (a conflict or an error), in list order. Rebuilt
// whenever the engine's files change; sheets show it while they are open.
class ProblemFilesModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit ProblemFilesModel(RenameEngine *engine, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const FileItem &fileAt(int row) const { return m_problems.at(row); }

private:
    void rebuild();

    QPointer<RenameEngine> m_engine;
    QList<FileItem> m_problems;
};
