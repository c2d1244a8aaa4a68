#include "clioptions.h"

#include "stepoptions.h"

#include <sys/stat.h>

namespace {

QString text(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

} // namespace

CliOptions CliOptions::parse(const QList<QByteArray> &arguments, QString *error)
{
    CliOptions options;
    StepOptions steps;
    bool optionsEnded = false;
    const auto fail = [&](const QString &message) {
        if (error->isEmpty())
            *error = message;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            options.files.append(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" and "--name value" are the same option.
        QByteArray name = argument;
        std::optional<QByteArray> inlineValue;
        if (const qsizetype equals = argument.indexOf('=');
            argument.startsWith("--") && equals > 0) {
            name = argument.left(equals);
            inlineValue = argument.mid(equals + 1);
        }
        const auto value = [&]() -> std::optional<QByteArray> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            fail(QStringLiteral("option %1 needs a value").arg(text(name)));
            return std::nullopt;
        };
        const auto flag = [&](bool &field) {
            if (inlineValue)
                fail(QStringLiteral("option %1 takes no value").arg(text(name)));
            field = true;
        };
        if (name == "-h" || name == "--help") {
            options.command = Command::help;
        } else if (name == "--version") {
            options.command = Command::version;
        } else if (name == "-0" || name == "--null") {
            flag(options.nullSeparatedInput);
        } else if (name == "--apply") {
            flag(options.apply);
        } else if (name == "--skip-problems") {
            flag(options.skipProblems);
        } else if (name == "--json") {
            flag(options.json);
        } else if (name == "--color") {
            // Only "--color=WHEN": a bare --color means always, and never takes the next
            // argument, which may be a file.
            const QByteArray when = inlineValue.value_or("always");
            if (when == "auto")
                options.colour = Colour::automatic;
            else if (when == "always")
                options.colour = Colour::always;
            else if (when == "never")
                options.colour = Colour::never;
            else
                fail(QStringLiteral("--color takes auto, always or never"));
            if (!inlineValue && i + 1 < arguments.size()) {
                const QByteArray &following = arguments[i + 1];
                if (following == "auto" || following == "always" || following == "never")
                    fail(QStringLiteral("--color takes its value after “=”: --color=%1")
                             .arg(text(following)));
            }
        } else if (StepOptions::handles(name)) {
            if (const QString problem = steps.read(name, inlineValue, arguments, i);
                !problem.isEmpty())
                fail(problem);
        } else if (name == "--print-stack") {
            if (inlineValue)
                fail(QStringLiteral("option %1 takes no value").arg(text(name)));
            options.command = Command::printStack;
        } else if (name == "--export-workflow" || name == "--show-workflow") {
            if (const std::optional<QByteArray> given = value()) {
                options.workflowName = text(*given);
                options.command = Command::exportWorkflow;
            }
        } else if (name == "--list-workflows") {
            options.command = Command::listWorkflows;
        } else if (name == "--save-workflow") {
            if (const std::optional<QByteArray> given = value()) {
                options.saveName = text(*given);
                options.command = Command::saveWorkflow;
            }
        } else if (name == "--delete-workflow") {
            if (const std::optional<QByteArray> given = value()) {
                options.workflowName = text(*given);
                options.command = Command::deleteWorkflow;
            }
        } else if (name == "--overwrite") {
            flag(options.overwrite);
        } else if (name == "--edit") {
            flag(options.edit);
        } else if (name == "-r" || name == "--recursive") {
            flag(options.recursive);
        } else if (name == "--hidden") {
            flag(options.hidden);
        } else if (name == "--revert") {
            if (const std::optional<QByteArray> given = value()) {
                options.revertFilePath = *given;
                options.command = Command::revert;
            }
        } else if (name == "--sort") {
            if (const std::optional<QByteArray> given = value()) {
                // KEY or KEY:desc (KEY:asc too, for symmetry).
                const QList<QByteArray> parts = given->split(':');
                options.sortKey = enumFromRawValue<SortKey>(text(parts.first()));
                if (parts.size() == 2 && parts.last() == "desc")
                    options.sortOrder = Qt::DescendingOrder;
                else if (parts.size() > 2 || (parts.size() == 2 && parts.last() != "asc"))
                    options.sortKey.reset();
                if (!options.sortKey)
                    fail(QStringLiteral("--sort takes name, modified, size, kind, folder or "
                                        "taken, with :desc to turn the order around, not “%1”")
                             .arg(text(*given)));
            }
        } else if (name == "--undo-file") {
            if (const std::optional<QByteArray> given = value())
                options.undoFilePath = *given;
        } else {
            // A file whose name starts with a dash, given by a shell's wildcard, is the
            // usual way to meet this: say how to list it.
            struct stat item;
            fail(::lstat(argument.constData(), &item) == 0
                     ? QStringLiteral("unknown option %1; to list a file of that name, put "
                                      "-- before the files")
                           .arg(text(argument))
                     : QStringLiteral("unknown option %1 (see --help)").arg(text(argument)));
        }
    }
    options.stack = steps.pieces();
    if (!error->isEmpty() || options.command == Command::help ||
        options.command == Command::version)
        return options;

    if (options.overwrite && options.command != Command::saveWorkflow)
        fail(QStringLiteral("--overwrite goes with --save-workflow"));
    if (options.hidden && !options.recursive)
        fail(QStringLiteral("--hidden goes with --recursive"));
    if (options.command == Command::printStack) {
        if (options.stack.isEmpty())
            fail(QStringLiteral("--print-stack needs steps to print"));
        else if (!options.files.isEmpty() || options.nullSeparatedInput || options.apply)
            fail(QStringLiteral("--print-stack takes no files and renames nothing"));
        return options;
    }
    if (options.command == Command::saveWorkflow) {
        if (!options.files.isEmpty() || options.nullSeparatedInput || options.apply ||
            options.sortKey || options.edit || options.recursive)
            fail(QStringLiteral("--save-workflow takes the steps only, no files"));
        else if (options.stack.isEmpty())
            fail(QStringLiteral("--save-workflow needs the steps to save"));
        return options;
    }
    if (options.command != Command::rename) {
        if (!options.stack.isEmpty() || !options.files.isEmpty() || options.nullSeparatedInput ||
            options.apply || options.sortKey || options.edit || options.recursive)
            fail(QStringLiteral("--revert, --show-workflow, --delete-workflow and "
                                "--list-workflows take no files and no stack"));
        return options;
    }
    // --edit alone starts from the names the files have.
    if (options.stack.isEmpty() && !options.edit)
        fail(QStringLiteral("choose the steps: step options such as --replace, or --stack, "
                            "--workflow or --system-workflow (see --help)"));
    if (options.nullSeparatedInput && !options.files.isEmpty())
        fail(QStringLiteral("give the files as arguments or with --null, not both"));
    else if (!options.nullSeparatedInput && options.files.isEmpty())
        fail(QStringLiteral("no files given"));
    if (options.skipProblems && !options.apply)
        fail(QStringLiteral("--skip-problems goes with --apply"));
    if (options.undoFilePath && !options.apply)
        fail(QStringLiteral("--undo-file goes with --apply"));
    return options;
}

QString CliOptions::usage()
{
    return QStringLiteral(
        "Usage: brisklet-cli STEP... [OPTION...] (FILE... | -0)\n"
        "       brisklet-cli STEP... (--print-stack | --save-workflow NAME [--overwrite])\n"
        "       brisklet-cli --revert UNDO-FILE | --list-workflows\n"
        "       brisklet-cli --show-workflow NAME | --delete-workflow NAME\n"
        "Renames by the steps in the order given; without --apply it only shows the plan.\n"
        "\n"
        "Steps (each adds one; the options under it change that step):\n"
        "  --replace FIND WITH        replace text (every match, any letter case)\n"
        "      --match-case  --first | --last | --all\n"
        "  --regex PATTERN TEMPLATE   regular expression; $0, $1, ${name} in TEMPLATE\n"
        "  --trim spaces|N|chars:SET  trim spaces, N characters or the characters of SET\n"
        "      --from start|end|both\n"
        "  --prepend TEXT             add TEXT before the name\n"
        "  --append TEXT              add TEXT after the name, before the extension\n"
        "      --after-extension\n"
        "  --case lower|upper|title|camel|snake\n"
        "  --number[=START[:PAD]]     number the files (from 1, with 2 digits)\n"
        "      --base TEXT | --keep-name  --before | --after\n"
        "  --info FIELD               dateTaken, dateModified, cameraModel, imageSize,\n"
        "                             artist, album, title, trackNumber or year\n"
        "      --before | --after | --instead  --date-format PATTERN  --separator TEXT\n"
        "      --if-missing flagRow|useDateModified\n"
        "  --stack FILE               the steps of a JSON stack file (-: standard input)\n"
        "  --workflow NAME            the steps of a saved workflow\n"
        "  --system-workflow NAME     photo-organization, web-safe-names,\n"
        "                             document-cleanup or clean-and-number\n"
        "Options:\n"
        "  -0, --null                 read NUL-separated paths from standard input\n"
        "  -r, --recursive            a folder stands for the files below it\n"
        "  --hidden                   with -r, take hidden files and folders too\n"
        "  --sort KEY[:desc]          first order the files by name, modified, size,\n"
        "                             kind, folder or taken\n"
        "  --apply                    rename; refused while any file has a problem\n"
        "  --skip-problems            with --apply, rename the files without problems\n"
        "  --undo-file PATH           where --apply writes its undo file\n"
        "  --revert UNDO-FILE         put back the names an --apply changed\n"
        "  --edit                     edit the new names in $VISUAL or $EDITOR\n"
        "  --json                     print the plan or the outcome as JSON Lines\n"
        "  --color[=WHEN]             colour the table: auto, always or never\n"
        "  --print-stack              print the steps as a JSON stack file\n"
        "  --save-workflow NAME       save the steps as a workflow (--overwrite replaces)\n"
        "  --list-workflows           print the names of the saved workflows\n"
        "  --show-workflow NAME       print a saved workflow as a JSON stack file\n"
        "  --delete-workflow NAME     delete a saved workflow\n"
        "  -h, --help; --version      print this help; print the version\n"
        "Exit status: 0 done, 1 some moves failed, 2 bad usage, 3 problems found\n"
        "(nothing is renamed with 2 or 3).\n"
        "See brisklet-cli(1) for every field, the template syntax and examples.\n");
}
