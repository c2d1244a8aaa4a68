#pragma once

// Internal to the engine: not part of its interface.

#include "names/renameoperationwrapper.h"

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
    explicit NameTransformer(const QList<RenameOperationWrapper> &operations);
    ~NameTransformer();
    NameTransformer(const NameTransformer &) = delete;
    NameTransformer &operator=(const NameTransformer &) = delete;

    // Two strings the steps write into in turn. One set, kept from one name to the next,
    // lets a whole list go through the stack without allocating in the common case. What
    // `apply` returns may be one of them, valid until the set is used again: a set is never
    // copied, so such a reference cannot outlive it by pointing into a copy.
    struct Buffers {
        Buffers() = default;
        Buffers(const Buffers &) = delete;
        Buffers &operator=(const Buffers &) = delete;
        QString first;
        QString second;
    };

    QString apply(const QString &name, qsizetype position) const;
    // The name after every step: `name` itself when no step changed it, otherwise one of
    // `buffers`, valid until they are used again.
    const QString &apply(const QString &name, qsizetype position, Buffers &buffers) const;
    // The same through the steps from `first` up to, not including, `last` only.
    const QString &apply(const QString &name, qsizetype position, Buffers &buffers, qsizetype first,
                         qsizetype last) const;
    qsizetype stepCount() const;
    // What the file-info step at `step` puts into the name at each position, from
    // `pieces[0]` on; a null piece leaves that name as it is (its row is flagged
    // elsewhere). `pieces` outlives the transformer. Without them the step changes nothing.
    void setInfoPieces(qsizetype step, const QString *pieces, qsizetype count);
    // Keeps a result of `apply` from `source` beyond the buffers: as `source` itself when
    // the steps left it as it was, otherwise in a string of its own, no longer than it,
    // unless `kept` already says the same. True when what `kept` says changed.
    static bool keep(QString &kept, const QString &result, const QString &source);

    // A regular-expression step that ran out of time on a name from then on leaves every
    // name as it is, so a runaway pattern costs milliseconds, not minutes. The count tells
    // a caller whether names it already went through need to go through again, so that
    // such a step leaves every name of the list unchanged, as a pattern that does not
    // compile does, whatever the order of the list.
    qsizetype timedOutSteps() const { return m_timedOutSteps; }
    bool hasTimedOut(qsizetype step) const;
    // Treats the step as one that already ran out of time, as it did for another part of
    // the list that went through another transformer.
    void markTimedOut(qsizetype step);

private:
    struct Step;

    // Returns `name` when the step leaves it as it is, otherwise `out` holding the result.
    const QString &applyStep(const Step &step, const QString &name, qsizetype position,
                             QString &out) const;

    std::vector<Step> m_steps;
    mutable qsizetype m_timedOutSteps = 0;
};
