#include "filelist/filelistmodel.h"

#include "filelist/filerowannouncement.h"

#include "disk/localpath.h"
#include "names/nameparts.h"
#include "renameengine.h"

#include <utility>

FileListModel::FileListModel(RenameEngine *engine, QObject *parent)
    : QAbstractListModel(parent), m_engine(engine)
{
    m_ids.reserve(engine->files().size());
    for (const FileItem &file : engine->files())
        m_ids.append(file.id);
    connect(engine, &RenameEngine::filesChanged, this, &FileListModel::syncFiles);
    connect(engine, &RenameEngine::selectedFilesChanged, this, &FileListModel::announceSelection);
}

const FileItem *FileListModel::fileAt(int row) const
{
    if (!m_engine || row < 0 || row >= m_ids.size())
        return nullptr;
    const qsizetype engineRow = m_engineRows.isEmpty() ? row : m_engineRows.at(row);
    const QList<FileItem> &files = m_engine->files();
    if (engineRow < 0 || engineRow >= files.size())
        return nullptr;
    const FileItem &file = files.at(engineRow);
    return file.id == m_ids.at(row) ? &file : nullptr;
}

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

QModelIndex FileListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || column != 0 || row < 0 || row >= m_ids.size())
        return QModelIndex();
    return createIndex(row, column);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Selection is the engine's, so Qt's own selection stays out of the way.
    return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
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
    case Qt::ToolTipRole:
        return file->errorMessage && (file->status == RenameStatus::conflict ||
                                      file->status == RenameStatus::error)
                   ? QVariant(*file->errorMessage)
                   : QVariant();
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
    case SelectedRole:
        return m_engine->selectedFiles().contains(file->id);
    case FileTypeIconRole:
        return fileTypeIcon(file->originalName);
    default:
        return QVariant();
    }
}

bool FileListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != SelectedRole || !index.isValid() || index.model() != this)
        return false;
    const FileItem *file = fileAt(index.row());
    if (!file)
        return false;
    // The engine announces the change, and the rows follow from there.
    if (m_engine->selectedFiles().contains(file->id) != value.toBool())
        m_engine->toggleSelection(file->id);
    return true;
}

QHash<int, QByteArray> FileListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(FileIdRole, "fileId");
    names.insert(OriginalNameRole, "originalName");
    names.insert(NewNameRole, "newName");
    names.insert(StatusRole, "status");
    names.insert(ErrorMessageRole, "errorMessage");
    names.insert(SelectedRole, "selected");
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

void FileListModel::syncFiles()
{
    const QList<FileItem> &files = m_engine->files();
    const qsizetype oldCount = m_ids.size();
    const qsizetype newCount = files.size();
    // The same rows as last time, as after every preview: only what they show changed.
    const quint64 version = std::exchange(m_rowsVersion, m_engine->rowsVersion());
    if (version == m_rowsVersion && oldCount == newCount && m_engineRows.isEmpty()) {
        if (oldCount > 0)
            Q_EMIT dataChanged(index(0), index(int(oldCount - 1)));
        return;
    }

    // How far the rows still match the engine, in order.
    qsizetype common = 0;
    const qsizetype shorter = qMin(oldCount, newCount);
    while (common < shorter && files.at(common).id == m_ids.at(common))
        ++common;

    if (common == oldCount) {
        // Same rows, perhaps with files appended: a preview or an addition.
        if (oldCount > 0)
            Q_EMIT dataChanged(index(0), index(int(oldCount - 1)));
        if (newCount > oldCount) {
            beginInsertRows(QModelIndex(), int(oldCount), int(newCount - 1));
            m_ids.reserve(newCount);
            for (qsizetype i = oldCount; i < newCount; ++i)
                m_ids.append(files.at(i).id);
            endInsertRows();
        }
        return;
    }

    // Files removed, the others in their order: remove the gone rows, run by run from the
    // bottom so that the rows above keep their numbers while each run goes.
    QList<qsizetype> engineRows(oldCount, -1);
    qsizetype next = common;
    for (qsizetype row = 0; row < oldCount; ++row) {
        if (row < common) {
            engineRows[row] = row;
        } else if (next < newCount && files.at(next).id == m_ids.at(row)) {
            engineRows[row] = next++;
        }
    }
    if (next != newCount) {
        // Reordered or replaced: nothing smaller describes it.
        beginResetModel();
        m_engineRows.clear();
        m_ids.clear();
        m_ids.reserve(newCount);
        for (const FileItem &file : files)
            m_ids.append(file.id);
        endResetModel();
        return;
    }

    m_engineRows = std::move(engineRows);
    qsizetype row = oldCount - 1;
    while (row >= 0) {
        if (m_engineRows.at(row) >= 0) {
            --row;
            continue;
        }
        const qsizetype last = row;
        while (row >= 0 && m_engineRows.at(row) < 0)
            --row;
        const qsizetype first = row + 1;
        beginRemoveRows(QModelIndex(), int(first), int(last));
        m_ids.remove(first, last - first + 1);
        m_engineRows.remove(first, last - first + 1);
        endRemoveRows();
    }
    m_engineRows.clear();
}

void FileListModel::announceSelection()
{
    if (!m_ids.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_ids.size() - 1)), {SelectedRole});
}
