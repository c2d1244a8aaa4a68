// brisklet-drag-source FILE...
// Shows a small window; pressing a mouse button on it drags the files as file URLs. Prints
// "accepted" or "ignored" each time a drag ends. It keeps running until its window is closed
// or it is terminated: the target reads the dragged data from this process after the drop.
#include "dragsource.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<QUrl> files;
    for (const QString &path : app.arguments().mid(1))
        files.append(QUrl::fromLocalFile(QDir::current().absoluteFilePath(path)));
    if (files.isEmpty())
        return 2;

    DragSource source(files);
    QObject::connect(&source, &DragSource::finished, &app, [](bool accepted) {
        QTextStream(stdout) << (accepted ? "accepted" : "ignored") << Qt::endl;
    });
    source.move(0, 0);
    source.show();
    return app.exec();
}
