#pragma once

#include "fakefilemover.h"
#include "memorypreferencesstore.h"
#include "renameengine.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

namespace UiTest {

inline std::unique_ptr<RenameEngine> makeEngine()
{
    return std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                          std::make_unique<FakeFileMover>(), nullptr);
}

inline QList<QUrl> urlsFor(const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(u"/nonexistent/brisklet/"_qs + name));
    return urls;
}

inline QList<QUrl> numberedUrls(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(u"file %1.txt"_qs.arg(i));
    return urlsFor(names);
}

// Sets the first operation of the stack and runs the preview, as the editor does.
template <typename Change> void editFirstOperation(RenameEngine &engine, Change change)
{
    RenameOperationWrapper operation = engine.operations().first();
    change(operation);
    engine.setOperation(0, operation);
    engine.updatePreview();
}

} // namespace UiTest
