#include "filelist/filelistmodel.h"

#include "filelist/filerowannouncement.h"
#include "operations/inlineoperationeditor.h"

#include "disk/localpath.h"
#include "names/nameparts.h"
#include "renameengine.h"

#include <QMimeData>

FileListModel::FileListModel(RenameEngine *engine, QObject *parent)
    : QAbstractListModel(parent), m_engine(engine), m_rowCount(engine->files().size())
{
    connect(engine, &RenameEngine::filesAppended, this, &FileListModel::followAppended);
    connect(engine, &RenameEngine::filesRemoved, this, &FileListModel::followRemoved);
    connect(engine, &RenameEngine::filesUpdated, this, &FileListModel::followUpdated);
    connect(engine, &RenameEngine::filesCleared, this, &FileListModel::followCleared);
    connect(engine, &RenameEngine::filesAboutToBeReordered, this,
            &FileListModel::followAboutToBeReordered);
    connect(engine, &RenameEngine::filesReordered, this, &FileListModel::followReordered);
}

const FileItem *FileListModel::fileAt(int row) const
{
    if (!m_engine || row < 0 || row >= m_rowCount)
        return nullptr;
    qsizetype engineRow = row;
    for (const RenameEngine::RowSpan &span : m_leaving) {
        if (row < span.first)
            break;
        if (row < span.first + span.count)
            return nullptr;
        engineRow -= span.count;
    }
    const QList<FileItem> &files = m_engine->files();
    return engineRow < files.size() ? &files.at(engineRow) : nullptr;
}

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rowCount);
}

QModelIndex FileListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || column != 0 || row < 0 || row >= m_rowCount)
        return QModelIndex();
    return createIndex(row, column);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled; // between rows, never onto one
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren |
           Qt::ItemIsDragEnabled;
}

QVariant FileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    const FileItem *file = fileAt(index.row());
    if (!file)
        return QVariant();
    switch (role) {
    // A byte of a name that is not UTF-8 is shown as U+FFFD; the engine keeps the byte.
    case Qt::DisplayRole:
    case OriginalNameRole:
        return LocalPath::readable(file->originalName);
    case Qt::ToolTipRole: {
        const QString message = file->errorMessage && (file->status == RenameStatus::conflict ||
                                                       file->status == RenameStatus::error)
                                    ? *file->errorMessage
                                    : QString();
        const QString steps = namesAfterEachStep(*file);
        if (steps.isEmpty())
            return message.isEmpty() ? QVariant() : QVariant(message);
        // A first line without a name in it keeps the tooltip plain text, whatever the names
        // hold.
        //: Heads the tooltip of a file row, above one line per step.
        QString text = tr("Name after each step:") + u'\n' + steps;
        if (!message.isEmpty())
            text += QStringLiteral("\n\n") + message;
        return text;
    }
    case Qt::AccessibleDescriptionRole:
        return namesAfterEachStep(*file);
    case Qt::AccessibleTextRole:
        return FileRowAnnouncement::text(LocalPath::readable(file->originalName),
                                         LocalPath::readable(file->newName), file->status,
                                         file->errorMessage.value_or(QString()));
    case FileIdRole:
        return file->id;
    case NewNameRole:
        return LocalPath::readable(file->newName);
    case StatusRole:
        return int(file->status);
    case ErrorMessageRole:
        return file->errorMessage ? QVariant(*file->errorMessage) : QVariant();
    case FileTypeIconRole:
        return fileTypeIcon(file->originalName);
    default:
        return QVariant();
    }
}

QString FileListModel::namesAfterEachStep(const FileItem &file) const
{
    // A renamed file has no steps before it any more.
    if (file.status == RenameStatus::success)
        return {};
    const QList<RenameOperationWrapper> &steps = m_engine->operations();
    const QStringList names = m_engine->namesAfterEachStep(&file - m_engine->files().constData());
    QStringList lines;
    for (qsizetype i = 0; i < names.size() && i < steps.size(); ++i) {
        //: One step in a file row's tooltip: its number, its mode, the name it leaves.
        lines.append(tr("%1. %2: %3")
                         .arg(i + 1)
                         .arg(InlineOperationEditor::title(steps.at(i).mode),
                              LocalPath::readable(names.at(i))));
    }
    return lines.join(u'\n');
}

QHash<int, QByteArray> FileListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(FileIdRole, "fileId");
    names.insert(OriginalNameRole, "originalName");
    names.insert(NewNameRole, "newName");
    names.insert(StatusRole, "status");
    names.insert(ErrorMessageRole, "errorMessage");
    names.insert(FileTypeIconRole, "fileTypeIcon");
    return names;
}

QString FileListModel::fileTypeIcon(const QString &fileName)
{
    struct Group {
        std::initializer_list<const char16_t *> extensions;
        const char16_t *icon;
    };
    static const Group groups[] = {
        {{u"jpg", u"jpeg", u"png", u"gif", u"heic", u"webp"}, u"photo.fill"},
        {{u"mp4", u"mov", u"avi", u"mkv"}, u"video.fill"},
        {{u"mp3", u"m4a", u"wav", u"flac"}, u"music.note"},
        {{u"pdf"}, u"doc.text.fill"},
        {{u"zip", u"rar", u"7z", u"tar", u"gz"}, u"archivebox.fill"},
        {{u"txt", u"md", u"rtf"}, u"doc.plaintext.fill"},
        {{u"swift", u"py", u"js", u"java", u"cpp"}, u"chevron.left.forwardslash.chevron.right"},
    };
    const QString extension = NameParts::split(fileName).extension.toString().toLower();
    if (!extension.isEmpty()) {
        for (const Group &group : groups) {
            for (const char16_t *candidate : group.extensions) {
                if (extension == QStringView(candidate))
                    return QString::fromUtf16(group.icon);
            }
        }
    }
    return QStringLiteral("doc.fill");
}

void FileListModel::followAppended(qsizetype first, qsizetype count)
{
    // The rows join at the end of the engine's list, where the model's rows end too.
    const qsizetype end = first + count;
    if (end <= m_rowCount)
        return;
    beginInsertRows(QModelIndex(), int(m_rowCount), int(end - 1));
    m_rowCount = end;
    endInsertRows();
}

void FileListModel::followRemoved(const QList<RenameEngine::RowSpan> &spans)
{
    // Run by run from the bottom, so that the rows above keep their numbers while each run
    // goes; until its turn, a run shows nothing.
    m_leaving = spans;
    while (!m_leaving.isEmpty()) {
        const RenameEngine::RowSpan span = m_leaving.constLast();
        beginRemoveRows(QModelIndex(), int(span.first), int(span.first + span.count - 1));
        m_rowCount -= span.count;
        m_leaving.removeLast();
        endRemoveRows();
    }
}

void FileListModel::followUpdated(qsizetype first, qsizetype last)
{
    last = qMin(last, m_rowCount - 1);
    if (first <= last)
        Q_EMIT dataChanged(index(int(first)), index(int(last)));
}

void FileListModel::followCleared()
{
    beginResetModel();
    m_rowCount = 0;
    m_leaving.clear();
    endResetModel();
}

void FileListModel::followAboutToBeReordered()
{
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Asked only now, so that the indexes the selection keeps through the change are among
    // them.
    m_movingIndexes = persistentIndexList();
    m_movingIds.clear();
    m_movingIds.reserve(m_movingIndexes.size());
    for (const QModelIndex &index : std::as_const(m_movingIndexes)) {
        const FileItem *file = fileAt(index.row());
        m_movingIds.append(file ? file->id : QUuid());
    }
}

void FileListModel::followReordered()
{
    // Each index goes with its file, found in one walk over the list.
    QHash<QUuid, int> newRows;
    newRows.reserve(m_movingIds.size());
    for (const QUuid &id : std::as_const(m_movingIds))
        newRows.insert(id, -1);
    const QList<FileItem> &files = m_engine->files();
    qsizetype unknown = newRows.size();
    for (qsizetype row = 0; row < files.size() && unknown > 0; ++row) {
        const auto found = newRows.find(files.at(row).id);
        if (found != newRows.end() && *found < 0) {
            *found = int(row);
            --unknown;
        }
    }
    QModelIndexList to;
    to.reserve(m_movingIndexes.size());
    for (const QUuid &id : std::as_const(m_movingIds)) {
        const int row = newRows.value(id, -1);
        to.append(row >= 0 ? index(row) : QModelIndex());
    }
    changePersistentIndexList(m_movingIndexes, to);
    m_movingIndexes.clear();
    m_movingIds.clear();
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString FileListModel::rowIdsMimeType()
{
    return QStringLiteral("application/x-brisklet-row-ids");
}

QStringList FileListModel::mimeTypes() const
{
    return {rowIdsMimeType()};
}

QMimeData *FileListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.model() == this)
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    QByteArray ids;
    for (const int row : std::as_const(rows)) {
        if (const FileItem *file = fileAt(row))
            ids += file->id.toByteArray(QUuid::WithoutBraces) + '\n';
    }
    if (ids.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(rowIdsMimeType(), ids);
    return data;
}

QList<QUuid> FileListModel::rowIds(const QMimeData *data)
{
    QList<QUuid> ids;
    if (!data || !data->hasFormat(rowIdsMimeType()))
        return ids;
    const QList<QByteArray> lines = data->data(rowIdsMimeType()).split('\n');
    for (const QByteArray &line : lines) {
        const QUuid id = QUuid::fromString(QLatin1StringView(line));
        if (!id.isNull())
            ids.append(id);
    }
    return ids;
}

Qt::DropActions FileListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions FileListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

bool FileListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                 const QModelIndex &parent)
{
    const QList<QUuid> ids = rowIds(data);
    if (action == Qt::IgnoreAction)
        return !ids.isEmpty();
    if (ids.isEmpty() || action != Qt::MoveAction || !m_engine || m_engine->isBusy())
        return false;
    if (row < 0)
        row = parent.isValid() ? parent.row() : int(m_rowCount);
    m_engine->moveFiles(ids, qBound(0, row, int(m_rowCount)));
    return true;
}

bool FileListModel::moveRows(const QModelIndex &sourceParent, int sourceRow, int count,
                             const QModelIndex &destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || !m_engine || m_engine->isBusy() ||
        count <= 0 || sourceRow < 0 || sourceRow + count > m_rowCount || destinationChild < 0 ||
        destinationChild > m_rowCount)
        return false;
    QList<QUuid> ids;
    for (int row = sourceRow; row < sourceRow + count; ++row) {
        if (const FileItem *file = fileAt(row))
            ids.append(file->id);
    }
    m_engine->moveFiles(ids, destinationChild);
    return true;
}
