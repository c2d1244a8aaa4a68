#pragma once

// What the engine and list benchmarks share: the sample files, the 3-step stack the
// budgets are set for, and the resident memory they report.

#include "disk/posixfilemover.h"
#include "memorypreferencesstore.h"
#include "renameengine.h"

#include <fstream>
#include <memory>
#include <string>

namespace BenchData {

using namespace Qt::StringLiterals;

inline std::unique_ptr<RenameEngine> makeEngine()
{
    return std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                          std::make_unique<PosixFileMover>());
}

// Names shaped like a camera folder: mostly ASCII, some with spaces and mixed case.
inline QList<QUrl> sampleUrls(qsizetype count)
{
    QList<QUrl> urls;
    urls.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = (i % 3 == 0)   ? u"IMG_%1.JPG"_qs.arg(i, 6, 10, QChar(u'0'))
                             : (i % 3 == 1) ? u"holiday photo %1 beach.jpeg"_qs.arg(i)
                                            : u"Scan of Document %1.pdf"_qs.arg(i);
        urls.append(QUrl::fromLocalFile(u"/home/user/Pictures/Trip/"_qs + name));
    }
    return urls;
}

// The stack the preview budget is set for: case-insensitive replace, title case, numbering.
inline QList<RenameOperationWrapper> threeStepStack()
{
    RenameOperationWrapper replace;
    replace.mode = RenameMode::replace;
    replace.findText = u"img"_qs;
    replace.replaceText = u"Photo"_qs;
    RenameOperationWrapper title;
    title.mode = RenameMode::changeCase;
    title.caseType = CaseType::titleCase;
    RenameOperationWrapper sequence;
    sequence.mode = RenameMode::sequence;
    sequence.useOriginalName = true;
    sequence.sequencePadding = 5;
    return {replace, title, sequence};
}

inline void loadStack(RenameEngine &engine, const QList<RenameOperationWrapper> &stack)
{
    while (!engine.operations().isEmpty())
        engine.removeOperation(0);
    for (qsizetype i = 0; i < stack.size(); ++i) {
        engine.addOperation();
        engine.setOperation(i, stack[i]);
    }
}

inline long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

} // namespace BenchData
