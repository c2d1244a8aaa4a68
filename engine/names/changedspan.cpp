#include "names/changedspan.h"

#include "names/unicodetext.h"

#include <algorithm>
#include <vector>

ChangedSpan ChangedSpan::between(QStringView before, QStringView after)
{
    if (before == after)
        return {};
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    // The common ends may not overlap: "aa" to "aaa" adds one "a", not two.
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;

    if (!UnicodeText::isAsciiWithoutCarriageReturn(before) ||
        !UnicodeText::isAsciiWithoutCarriageReturn(after)) {
        // Pull both ends out to where each name has a character boundary.
        const std::vector<qsizetype> beforeBounds = UnicodeText::graphemeBoundaries(before);
        const std::vector<qsizetype> afterBounds = UnicodeText::graphemeBoundaries(after);
        const auto isBoundary = [](const std::vector<qsizetype> &bounds, qsizetype at) {
            return std::binary_search(bounds.begin(), bounds.end(), at);
        };
        while (prefix > 0 && !(isBoundary(beforeBounds, prefix) && isBoundary(afterBounds, prefix)))
            --prefix;
        while (suffix > 0 && !(isBoundary(beforeBounds, before.size() - suffix) &&
                               isBoundary(afterBounds, after.size() - suffix)))
            --suffix;
    }
    return {prefix, after.size() - suffix, true};
}
