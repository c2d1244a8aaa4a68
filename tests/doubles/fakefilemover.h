#pragma once

#include "disk/filemover.h"

#include <QByteArray>
#include <QString>

namespace UiTest {

// Pretends to move files; a source path containing "locked" fails, so lists can show
// renamed and failed rows without touching the disk.
class FakeFileMover : public FileMover {
public:
    Result moveItem(const QByteArray &sourcePath, const QByteArray &) override
    {
        if (sourcePath.contains("locked"))
            return {false, u"Permission denied."_qs};
        return {true, QString()};
    }
};

} // namespace UiTest
