#include "clioptions.h"

namespace {

QString text(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

} // namespace

CliOptions CliOptions::parse(const QList<QByteArray> &arguments, QString *error)
{
    CliOptions options;
    int stackSources = 0;
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
        } else if (name == "--workflow" || name == "--system-workflow") {
            if (const std::optional<QByteArray> given = value()) {
                options.workflowName = text(*given);
                options.stackSource =
                    name == "--workflow" ? StackSource::workflow : StackSource::systemWorkflow;
                ++stackSources;
            }
        } else if (name == "--stack") {
            if (const std::optional<QByteArray> given = value()) {
                options.stackFilePath = *given;
                options.stackSource = StackSource::stackFile;
                ++stackSources;
            }
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
            fail(QStringLiteral("unknown option %1 (see --help)").arg(text(argument)));
        }
    }
    if (!error->isEmpty() || options.command == Command::help ||
        options.command == Command::version)
        return options;

    if (options.overwrite && options.command != Command::saveWorkflow)
        fail(QStringLiteral("--overwrite goes with --save-workflow"));
    if (options.hidden && !options.recursive)
        fail(QStringLiteral("--hidden goes with --recursive"));
    if (options.command == Command::saveWorkflow) {
        if (!options.files.isEmpty() || options.nullSeparatedInput || options.apply ||
            options.sortKey || options.edit || options.recursive)
            fail(QStringLiteral("--save-workflow takes the steps only, no files"));
        else if (stackSources == 0)
            fail(QStringLiteral("--save-workflow needs the steps to save"));
        return options;
    }
    if (options.command != Command::rename) {
        if (stackSources > 0 || !options.files.isEmpty() || options.nullSeparatedInput ||
            options.apply || options.sortKey || options.edit || options.recursive)
            fail(QStringLiteral("--revert, --show-workflow, --delete-workflow and "
                                "--list-workflows take no files and no stack"));
        return options;
    }
    // --edit alone starts from the names the files have.
    if (stackSources == 0 && !options.edit)
        fail(QStringLiteral("choose the steps with one of --workflow, --system-workflow or "
                            "--stack"));
    else if (stackSources > 1)
        fail(QStringLiteral("--workflow, --system-workflow and --stack exclude each other"));
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
        "Usage: brisklet-cli (--workflow NAME | --system-workflow NAME | --stack FILE)\n"
        "                    [--sort KEY[:desc]] [--apply [--skip-problems] [--undo-file PATH]]\n"
        "                    [--json]\n"
        "                    (FILE... | -0)\n"
        "       brisklet-cli --revert UNDO-FILE\n"
        "       brisklet-cli --export-workflow NAME\n"
        "       brisklet-cli --list-workflows\n"
        "\n"
        "Renames files with a stack of Brisklet steps. Without --apply nothing is renamed:\n"
        "the plan is printed, each file with its new name and status.\n"
        "\n"
        "Steps:\n"
        "  --workflow NAME         a workflow saved in Brisklet\n"
        "  --system-workflow NAME  photo-organization, web-safe-names, document-cleanup\n"
        "                          or clean-and-number\n"
        "  --stack FILE            a JSON array of steps; a field left out keeps the default\n"
        "                          of a new step ('-' reads standard input)\n"
        "  --export-workflow NAME  print a saved workflow as such a JSON array\n"
        "  --list-workflows        print the names of the saved workflows\n"
        "\n"
        "Files:\n"
        "  FILE...                 paths or file:// URIs\n"
        "  -0, --null              read NUL-separated paths from standard input\n"
        "  --sort KEY[:desc]       put the files in order before the steps number them: by\n"
        "                          name (numbers in names as numbers), modified, size, kind\n"
        "                          (extension), folder or taken (date taken; files without\n"
        "                          one after the others, by date modified); :desc turns the\n"
        "                          order around. Without it, the order given\n"
        "\n"
        "Renaming:\n"
        "  --apply                 rename; refused while any file has a conflict or an error\n"
        "  --skip-problems         with --apply, rename only the files without problems\n"
        "  --undo-file PATH        where --apply writes its undo file (default: a new file\n"
        "                          under $XDG_STATE_HOME/brisklet/undo/)\n"
        "  --revert UNDO-FILE      put back the names an --apply changed, where the items\n"
        "                          are still the same; nothing is ever replaced\n"
        "  --json                  print the plan or the outcome as JSON Lines\n"
        "  --color[=WHEN]          colour the table and the changed part of each new name:\n"
        "                          auto (on a terminal, unless NO_COLOR is set), always\n"
        "                          (the default WHEN) or never\n"
        "  -h, --help              print this help\n"
        "  --version               print the version\n"
        "\n"
        "Exit status:\n"
        "  0  all renamed, or a dry run without problems\n"
        "  1  some moves failed (the others were made)\n"
        "  2  bad usage, unreadable input, or a step that cannot work (a regular\n"
        "     expression that does not compile, a missing group); nothing moved\n"
        "  3  conflicts or errors found; nothing moved\n");
}
