#pragma once

#include "renameoperationwrapper.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

#include <unicode/uversion.h>

class TextMatcher;
U_NAMESPACE_BEGIN
class RegexMatcher;
U_NAMESPACE_END

// An operation stack prepared for many names: find texts are folded and regular
// expressions compiled once, then every name of the list goes through `apply`.
class NameTransformer {
public:
    // How long one regular-expression match may run, in the matcher's steps (roughly
    // milliseconds). A live preview runs the pattern on every keystroke, so a
    // catastrophically backtracking pattern must give up instead of freezing the window.
    static constexpr int regexTimeLimit = 10;
    // A pattern that has run out of time on this many names of one recomputation is not
    // tried on the rest of them, so a runaway pattern costs milliseconds, not minutes.
    static constexpr int maxRegexTimeOuts = 3;

    explicit NameTransformer(const QList<RenameOperationWrapper> &operations);
    ~NameTransformer();
    NameTransformer(const NameTransformer &) = delete;
    NameTransformer &operator=(const NameTransformer &) = delete;

    QString apply(const QString &name, qsizetype position) const;

private:
    struct Step;

    QString applyStep(const Step &step, const QString &name, qsizetype position) const;

    std::vector<Step> m_steps;
};
