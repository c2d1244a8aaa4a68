#pragma once

#include <QList>
#include <QUrl>

class QDropEvent;
class QMimeData;
class RenameEngine;

// Files dragged onto the window. A drag counts as carrying files when it carries at least one
// file URL; on the drop, the usable file URLs among them go to the engine in drag order, all
// in one addition, so the preview is computed once per drop however many files it holds.
class FileDrop {
public:
    static bool carriesFiles(const QMimeData *mimeData);
    // Accepts a drag or drop event that carries files and ignores any other; answers which.
    static bool accept(QDropEvent *event);
    static QList<QUrl> fileUrls(const QMimeData *mimeData);
    // Adds the dropped files; a drop without any usable file adds nothing.
    static void addToEngine(const QMimeData *mimeData, RenameEngine *engine);
};
