#include "names/regexproblem.h"

#include "names/renameoperationwrapper.h"
#include "names/unicodetext.h"

#include <QCoreApplication>

#include <unicode/regex.h>
#include <unicode/uchar.h>

#include <memory>

namespace {

// The character ICU stopped at, counted from 1 in characters (code points) of the whole
// pattern; 0 when ICU gives no place. ICU counts lines and the characters within the line,
// starting a line after CR, LF (not after CR LF), NEL or LS.
qsizetype positionOf(const icu::UnicodeString &pattern, const UParseError &where)
{
    if (where.line < 1 || where.offset < 0)
        return 0;
    int32_t line = 1;
    qsizetype before = 0; // characters before the current line
    qsizetype index = 0;
    UChar32 previous = 0;
    for (int32_t i = 0; i < pattern.length(); i = pattern.moveIndex32(i, 1)) {
        const UChar32 c = pattern.char32At(i);
        if (line == where.line && !(c == u'\n' && previous == u'\r'))
            break;
        ++index;
        if (c == u'\r' || c == 0x85 || c == 0x2028 || (c == u'\n' && previous != u'\r')) {
            ++line;
            before = index;
        } else if (c == u'\n') {
            before = index; // the LF of CR LF belongs to no line
        }
        previous = c;
    }
    return line == where.line ? before + where.offset : 0;
}

UChar32 characterAt(const icu::UnicodeString &pattern, qsizetype position)
{
    if (position < 1)
        return U_SENTINEL;
    const int32_t index = pattern.moveIndex32(0, int32_t(position - 1));
    return index < pattern.length() ? pattern.char32At(index) : U_SENTINEL;
}

QString describe(UErrorCode error, const icu::UnicodeString &pattern, qsizetype position)
{
    const UChar32 at = characterAt(pattern, position);
    QString what;
    switch (error) {
    case U_REGEX_MISSING_CLOSE_BRACKET:
        what = QCoreApplication::translate("RegexProblem", "Missing closing bracket ]");
        break;
    case U_REGEX_MISMATCHED_PAREN:
        if (at != u')')
            return QCoreApplication::translate(
                "RegexProblem", "Missing closing parenthesis )"); // found at the end, so no place
        what = QCoreApplication::translate("RegexProblem",
                                           "Closing parenthesis ) without an opening one");
        break;
    case U_REGEX_RULE_SYNTAX:
        if (at == u'*' || at == u'+' || at == u'?' || at == u'{')
            what = QCoreApplication::translate("RegexProblem", "Nothing before %1 to repeat")
                       .arg(QString(QChar(char16_t(at))));
        else
            what = QCoreApplication::translate("RegexProblem", "Syntax error");
        break;
    case U_REGEX_BAD_ESCAPE_SEQUENCE:
        what = QCoreApplication::translate("RegexProblem", "Unknown or incomplete escape sequence");
        break;
    case U_REGEX_PROPERTY_SYNTAX:
        what = QCoreApplication::translate("RegexProblem",
                                           "Unknown Unicode property or character class");
        break;
    case U_REGEX_UNIMPLEMENTED:
        what = QCoreApplication::translate("RegexProblem", "Feature not supported");
        break;
    case U_REGEX_NUMBER_TOO_BIG:
        what = QCoreApplication::translate("RegexProblem", "Number too large");
        break;
    case U_REGEX_BAD_INTERVAL:
        what = QCoreApplication::translate("RegexProblem", "Incomplete repetition count {min,max}");
        break;
    case U_REGEX_MAX_LT_MIN:
        what = QCoreApplication::translate("RegexProblem",
                                           "Maximum smaller than minimum in {min,max}");
        break;
    case U_REGEX_INVALID_BACK_REF:
        what = QCoreApplication::translate("RegexProblem",
                                           "Back reference to a group that does not exist");
        break;
    case U_REGEX_INVALID_FLAG:
        what = QCoreApplication::translate("RegexProblem", "Unknown flag");
        break;
    case U_REGEX_LOOK_BEHIND_LIMIT:
        what = QCoreApplication::translate("RegexProblem", "Look-behind without a maximum length");
        break;
    case U_REGEX_SET_CONTAINS_STRING:
        what = QCoreApplication::translate("RegexProblem", "A set in [ ] cannot contain a string");
        break;
    case U_REGEX_OCTAL_TOO_BIG:
        what = QCoreApplication::translate("RegexProblem", "Octal value too large");
        break;
    case U_REGEX_INVALID_RANGE:
        what = QCoreApplication::translate("RegexProblem", "Range out of order in [ ]");
        break;
    case U_REGEX_PATTERN_TOO_BIG:
        what = QCoreApplication::translate("RegexProblem", "Pattern too large");
        break;
    case U_REGEX_INVALID_CAPTURE_GROUP_NAME:
        what = QCoreApplication::translate("RegexProblem", "Invalid or repeated group name");
        break;
    default:
        what = QCoreApplication::translate("RegexProblem", "Not a valid regular expression");
        break;
    }
    return position > 0 ? QCoreApplication::translate("RegexProblem", "%1 at character %2")
                              .arg(what)
                              .arg(position)
                        : what;
}

bool isGroupNameCharacter(UChar32 c)
{
    // What ICU's replacement reads in ${name}: ASCII letters and the digits 1 to 9 (not 0).
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'1' && c <= u'9');
}

} // namespace

QString RegexProblem::inPattern(const QString &pattern)
{
    if (pattern.isEmpty())
        return {};
    const icu::UnicodeString text = UnicodeText::toIcu(pattern);
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    const std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(text, 0, where, status));
    if (U_SUCCESS(status))
        return {};
    return describe(status, text, positionOf(text, where));
}

// Reads the template as ICU's appendReplacement does, and stops where it would fail.
QString RegexProblem::inReplacement(const QString &pattern, const QString &replacement)
{
    if (pattern.isEmpty() || !replacement.contains(u'$'))
        return {};
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    const std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(UnicodeText::toIcu(pattern), 0, where, status));
    if (U_FAILURE(status))
        return {};
    const std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(status));
    if (U_FAILURE(status))
        return {};
    const int32_t groups = matcher->groupCount();
    const icu::UnicodeString text = UnicodeText::toIcu(replacement);
    const int32_t length = text.length();
    const auto written = [&](int32_t from, int32_t to) {
        return UnicodeText::fromIcu(text.tempSubStringBetween(from, to));
    };
    const QString noGroup = QCoreApplication::translate(
        "RegexProblem",
        "A $ in the replacement needs a group number or {name}; \\$ writes a dollar sign");

    int32_t i = 0;
    while (i < length) {
        const UChar32 c = text.char32At(i);
        i = text.moveIndex32(i, 1);
        if (c == u'\\') {
            // The next character is taken as it is (a \u escape holds no $ or \ either).
            if (i < length)
                i = text.moveIndex32(i, 1);
            continue;
        }
        if (c != u'$')
            continue;
        const int32_t dollar = i - 1;
        const UChar32 next = i < length ? text.char32At(i) : U_SENTINEL;
        if (next == u'{') {
            icu::UnicodeString name;
            for (i = text.moveIndex32(i, 1);; i = text.moveIndex32(i, 1)) {
                const UChar32 n = i < length ? text.char32At(i) : U_SENTINEL;
                if (n == u'}')
                    break;
                if (!isGroupNameCharacter(n))
                    return QCoreApplication::translate(
                        "RegexProblem",
                        "The group name after ${ in the replacement is not valid or not "
                        "closed by }");
                name.append(n);
            }
            i = text.moveIndex32(i, 1);
            UErrorCode found = U_ZERO_ERROR;
            if (name.isEmpty() || compiled->groupNumberFromName(name, found) <= 0 ||
                U_FAILURE(found))
                return QCoreApplication::translate(
                           "RegexProblem",
                           "%1 in the replacement: the pattern has no group named “%2”")
                    .arg(written(dollar, i), UnicodeText::fromIcu(name));
        } else if (u_isdigit(next)) {
            // As many digits as still name a group; a first one that does not fails.
            int32_t number = 0;
            for (int32_t digits = 0; i < length; ++digits, i = text.moveIndex32(i, 1)) {
                const UChar32 d = text.char32At(i);
                if (!u_isdigit(d))
                    break;
                const int32_t value = number * 10 + u_charDigitValue(d);
                if (value > groups) {
                    if (digits == 0)
                        return QCoreApplication::translate(
                                   "RegexProblem",
                                   "%1 in the replacement: the pattern has no group %2")
                            .arg(written(dollar, text.moveIndex32(i, 1)))
                            .arg(value);
                    break;
                }
                number = value;
            }
        } else {
            return noGroup;
        }
    }
    return {};
}

QString RegexProblem::ofStep(const RenameOperationWrapper &step, bool timedOut)
{
    if (step.mode != RenameMode::regex)
        return {};
    const QString error = inPattern(step.regexPattern);
    if (!error.isEmpty() || !timedOut)
        return error;
    return QCoreApplication::translate("RegexProblem", "This pattern takes too long to match.");
}

QString RegexProblem::ofTemplate(const RenameOperationWrapper &step)
{
    if (step.mode != RenameMode::regex)
        return {};
    return inReplacement(step.regexPattern, step.regexReplacement);
}
