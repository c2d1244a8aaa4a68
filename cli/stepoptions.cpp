#include "stepoptions.h"

#include "fileinfo/datepattern.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <utility>

namespace {

using namespace Qt::StringLiterals;

// Names of the options, grouped by what they take.
constexpr std::array<QByteArrayView, 3> sourceOptions{"--stack", "--workflow", "--system-workflow"};
constexpr std::array<QByteArrayView, 10> valueOptions{
    "--trim", "--prepend", "--append",      "--case",      "--info",
    "--from", "--base",    "--date-format", "--separator", "--if-missing"};
constexpr std::array<QByteArrayView, 9> flagOptions{
    "--match-case", "--first",  "--last",  "--all",    "--after-extension",
    "--keep-name",  "--before", "--after", "--instead"};

template <size_t Count>
bool contains(const std::array<QByteArrayView, Count> &names, QByteArrayView name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

QString text(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes);
}

// Plain decimal digits, after a minus sign where `sign` allows one; "+1", " 1", "1e3" and
// numbers beyond 64 bits are none.
enum class Sign { none, minusAllowed };
std::optional<qint64> wholeNumber(QByteArrayView given, Sign sign)
{
    QByteArrayView digits = given;
    if (sign == Sign::minusAllowed && digits.startsWith('-'))
        digits = digits.sliced(1);
    if (digits.isEmpty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    bool ok = false;
    const qint64 number = given.toByteArray().toLongLong(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

// Whether `argument` has the form of --number's START[:PAD].
bool looksLikeNumbering(const QByteArray &argument)
{
    const QList<QByteArray> parts = argument.split(':');
    return parts.size() <= 2 && wholeNumber(parts.first(), Sign::minusAllowed) &&
           (parts.size() == 1 || wholeNumber(parts.last(), Sign::none));
}

// The short word for each value, or the value as a stack file writes it.
template <typename Enum>
std::optional<Enum> valueNamed(const QString &word, const QHash<QString, Enum> &shortWords)
{
    if (const auto it = shortWords.constFind(word); it != shortWords.cend())
        return *it;
    return enumFromRawValue<Enum>(word);
}

std::optional<CaseType> caseNamed(const QString &word)
{
    static const QHash<QString, CaseType> words{{u"lower"_s, CaseType::lowercase},
                                                {u"upper"_s, CaseType::uppercase},
                                                {u"title"_s, CaseType::titleCase},
                                                {u"camel"_s, CaseType::camelCase},
                                                {u"snake"_s, CaseType::snakeCase}};
    return valueNamed(word, words);
}

std::optional<TrimPosition> trimPositionNamed(const QString &word)
{
    static const QHash<QString, TrimPosition> words{{u"start"_s, TrimPosition::leading},
                                                    {u"end"_s, TrimPosition::trailing}};
    return valueNamed(word, words);
}

} // namespace

bool StepOptions::handles(QByteArrayView name)
{
    return name == "--replace" || name == "--regex" || name == "--number" ||
           contains(sourceOptions, name) || contains(valueOptions, name) ||
           contains(flagOptions, name);
}

QString StepOptions::read(QByteArrayView name, const std::optional<QByteArray> &inlineValue,
                          const QList<QByteArray> &arguments, qsizetype &i)
{
    const QString option = text(name);
    std::optional<QByteArray> pending = inlineValue;
    const auto next = [&]() -> std::optional<QByteArray> {
        if (pending)
            return std::exchange(pending, std::nullopt);
        if (i + 1 < arguments.size())
            return arguments[++i];
        return std::nullopt;
    };
    const auto refused = [&](QStringView takes, QByteArrayView given) {
        return u"%1 takes %2, not “%3”"_s.arg(option, takes, text(given));
    };
    const auto goesWith = [&](QStringView steps) {
        return u"%1 goes with %2"_s.arg(option, steps);
    };

    if (name == "--replace" || name == "--regex") {
        const std::optional<QByteArray> first = next();
        const std::optional<QByteArray> second = first ? next() : std::nullopt;
        RenameOperationWrapper step;
        if (name == "--replace") {
            if (!second)
                return u"--replace needs FIND and WITH"_s;
            step.mode = RenameMode::replace;
            step.findText = text(*first);
            step.replaceText = text(*second);
        } else {
            if (!second)
                return u"--regex needs PATTERN and TEMPLATE"_s;
            step.mode = RenameMode::regex;
            step.regexPattern = text(*first);
            step.regexReplacement = text(*second);
        }
        addStep(step);
        return {};
    }

    if (name == "--number") {
        // Its value is optional, so only "--number=…" gives one: a file after it is a file.
        RenameOperationWrapper step;
        step.mode = RenameMode::sequence;
        if (inlineValue) {
            const QList<QByteArray> parts = inlineValue->split(':');
            const std::optional<qint64> start =
                parts.size() <= 2 ? wholeNumber(parts.first(), Sign::minusAllowed) : std::nullopt;
            // A wider number could not fit in a file name.
            const std::optional<qint64> padding = parts.size() == 2
                                                      ? wholeNumber(parts.last(), Sign::none)
                                                      : std::optional<qint64>(2);
            if (!start || !padding || *padding < 1 || *padding > 255)
                return refused(u"START[:PAD] with PAD from 1 to 255", *inlineValue);
            step.sequenceStart = *start;
            step.sequencePadding = *padding;
        } else if (i + 1 < arguments.size() && arguments[i + 1] != "--" &&
                   looksLikeNumbering(arguments[i + 1])) {
            // "--number 5" means a start of 5 far more often than a file named 5, which
            // can still be given after "--" or as "./5".
            return u"--number takes its value after “=”: --number=%1"_s.arg(text(arguments[i + 1]));
        }
        addStep(step);
        return {};
    }

    if (contains(flagOptions, name)) {
        if (inlineValue)
            return u"option %1 takes no value"_s.arg(option);
        if (name == "--match-case" || name == "--first" || name == "--last" || name == "--all") {
            RenameOperationWrapper *step = lastStep({RenameMode::replace});
            if (!step)
                return goesWith(u"--replace");
            if (name == "--match-case")
                step->caseSensitive = true;
            else
                step->replaceOccurrence =
                    *enumFromRawValue<ReplaceOccurrence>(text(name.sliced(2)));
        } else if (name == "--after-extension") {
            RenameOperationWrapper *step = lastStep({RenameMode::append});
            if (!step)
                return goesWith(u"--append");
            step->beforeExtension = false;
        } else if (name == "--keep-name") {
            RenameOperationWrapper *step = lastStep({RenameMode::sequence});
            if (!step)
                return goesWith(u"--number");
            step->useOriginalName = true;
        } else if (name == "--instead") {
            RenameOperationWrapper *step = lastStep({RenameMode::fileInfo});
            if (!step)
                return goesWith(u"--info");
            step->infoPlacement = InfoPlacement::instead;
        } else { // --before, --after
            RenameOperationWrapper *step = lastStep({RenameMode::sequence, RenameMode::fileInfo});
            if (!step)
                return goesWith(u"--number or --info");
            const QString where = text(name.sliced(2));
            if (step->mode == RenameMode::sequence)
                step->sequenceLocation = *enumFromRawValue<SequenceLocation>(where);
            else
                step->infoPlacement = *enumFromRawValue<InfoPlacement>(where);
        }
        return {};
    }

    const std::optional<QByteArray> value = next();
    if (!value)
        return u"option %1 needs a value"_s.arg(option);
    const QString word = text(*value);

    if (contains(sourceOptions, name)) {
        StackPiece piece;
        if (name == "--stack") {
            piece.kind = StackPiece::Kind::stackFile;
            piece.stackFilePath = *value;
        } else {
            piece.kind = name == "--workflow" ? StackPiece::Kind::savedWorkflow
                                              : StackPiece::Kind::systemWorkflow;
            piece.workflowName = word;
        }
        m_pieces.append(piece);
        return {};
    }

    RenameOperationWrapper step;
    if (name == "--trim") {
        step.mode = RenameMode::trim;
        if (word == u"spaces") {
            step.trimType = TrimType::spaces;
        } else if (word.startsWith(u"chars:") && word.size() > 6) {
            step.trimType = TrimType::customCharacters;
            step.customCharacters = word.sliced(6);
        } else if (const std::optional<qint64> count = wholeNumber(*value, Sign::none)) {
            step.trimType = TrimType::characterCount;
            step.trimCount = *count;
        } else {
            return refused(u"spaces, a number of characters or chars:SET", *value);
        }
    } else if (name == "--prepend") {
        step.mode = RenameMode::prepend;
        step.prependText = word;
    } else if (name == "--append") {
        step.mode = RenameMode::append;
        step.appendText = word;
    } else if (name == "--case") {
        step.mode = RenameMode::changeCase;
        const std::optional<CaseType> type = caseNamed(word);
        if (!type)
            return refused(u"lower, upper, title, camel or snake", *value);
        step.caseType = *type;
    } else if (name == "--info") {
        step.mode = RenameMode::fileInfo;
        const std::optional<FileInfoField> field = enumFromRawValue<FileInfoField>(word);
        if (!field)
            return refused(u"dateTaken, dateModified, cameraModel, imageSize, artist, album, "
                           u"title, trackNumber or year",
                           *value);
        step.infoField = *field;
    } else if (name == "--from") {
        RenameOperationWrapper *trim = lastStep({RenameMode::trim});
        if (!trim)
            return goesWith(u"--trim");
        const std::optional<TrimPosition> position = trimPositionNamed(word);
        if (!position)
            return refused(u"start, end or both", *value);
        trim->trimPosition = *position;
        return {};
    } else if (name == "--base") {
        RenameOperationWrapper *sequence = lastStep({RenameMode::sequence});
        if (!sequence)
            return goesWith(u"--number");
        sequence->sequenceBaseName = word;
        return {};
    } else { // --date-format, --separator, --if-missing
        RenameOperationWrapper *info = lastStep({RenameMode::fileInfo});
        if (!info)
            return goesWith(u"--info");
        if (name == "--date-format") {
            if (const QString problem = DatePattern::problem(word); !problem.isEmpty())
                return u"--date-format “%1”: %2"_s.arg(word, problem);
            info->infoDateFormat = word;
        } else if (name == "--separator") {
            info->infoSeparator = word;
        } else {
            const std::optional<MissingInfo> missing = enumFromRawValue<MissingInfo>(word);
            if (!missing)
                return refused(u"flagRow or useDateModified", *value);
            info->infoWhenMissing = *missing;
        }
        return {};
    }
    addStep(step);
    return {};
}

RenameOperationWrapper *StepOptions::lastStep(std::initializer_list<RenameMode> modes)
{
    if (m_pieces.isEmpty() || m_pieces.last().kind != StackPiece::Kind::step)
        return nullptr;
    RenameOperationWrapper &step = m_pieces.last().step;
    return std::find(modes.begin(), modes.end(), step.mode) != modes.end() ? &step : nullptr;
}

void StepOptions::addStep(const RenameOperationWrapper &step)
{
    StackPiece piece;
    piece.kind = StackPiece::Kind::step;
    piece.step = step;
    m_pieces.append(piece);
}
