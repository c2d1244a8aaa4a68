#pragma once

#include "names/renameenums.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

// What the step's controls offer to choose from: the title of each case of an option, and
// the date formats of the file-info step's presets menu. The titles are the parameter
// editor's texts and are translated as its own.
class OptionTexts {
    Q_DECLARE_TR_FUNCTIONS(OperationParametersEditor)

public:
    // Display titles of the options, in the order of the cases.
    static QString title(ReplaceOccurrence value);
    static QString title(TrimType value);
    static QString title(TrimPosition value);
    static QString title(SequenceLocation value);
    static QString title(CaseType value);
    static QString title(FileInfoField value);
    static QString title(InfoPlacement value);
    static QString title(MissingInfo value);

    // The titles of every case of `Enum`, in the order of the cases.
    template <typename Enum> static QStringList titles()
    {
        QStringList result;
        for (Enum value : EnumCases<Enum>::all)
            result.append(title(value));
        return result;
    }
    // Where `value` is among the titles.
    template <typename Enum> static int indexOf(Enum value)
    {
        const auto &all = EnumCases<Enum>::all;
        return int(std::find(all.begin(), all.end(), value) - all.begin());
    }

    // The date formats offered in the file-info step's presets menu, as ICU patterns.
    static const QStringList &datePresets();
};
