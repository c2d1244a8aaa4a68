#pragma once

#include <QByteArray>
#include <QUrl>

// A listed file's URL, held small. A URL is a large object, and for a million listed files
// it would be most of the list's memory; the URL of a plain local file (no host, query or
// fragment, every byte of its path UTF-8 and written out) is the file URL of its path, so
// for those only the path bytes are kept, shared with the row's own path, and the URL is
// made again when asked for. Any other URL is kept as it was given.
class FileUrl {
public:
    FileUrl() = default;
    FileUrl(const QUrl &url); // NOLINT: stands in for a QUrl wherever one is expected
    // The same, when the caller already knows the exact path bytes of the URL
    // (LocalPath::fromUrl); saves reading them again.
    FileUrl(const QUrl &url, const QByteArray &path);
    // The file URL of exact path bytes (LocalPath::toUrl), made without a QUrl when the
    // path is plain.
    static FileUrl fromLocalPath(const QByteArray &path);

    QUrl toUrl() const;
    operator QUrl() const { return toUrl(); } // NOLINT: see above

    bool operator==(const FileUrl &other) const;
    friend bool operator==(const FileUrl &a, const QUrl &b) { return a.toUrl() == b; }

private:
    // Set for a plain local file: the URL is the file URL of these bytes.
    QByteArray m_path;
    // Set for every other URL.
    QUrl m_url;
};

size_t qHash(const FileUrl &url, size_t seed = 0) noexcept;
