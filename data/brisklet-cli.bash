# bash completion for brisklet-cli

# The saved workflows whose names start with the typed word $1, one per line, quoted as the
# shell reads them (as they are after an opening quote, which readline then closes), so a
# name with spaces stays one word. Names are compared, never expanded: no name runs.
_brisklet_cli_workflows()
{
    local name typed
    typed=$(_brisklet_cli_dequote "$1")
    while IFS= read -r name; do
        [[ $name == "$typed"* ]] || continue
        if [[ $1 == [\'\"]* ]]; then
            printf '%s\n' "$name"
        else
            printf '%q\n' "$name"
        fi
    done < <(brisklet-cli --list-workflows 2>/dev/null)
}

# The typed word without the backslashes and quotes that make it one word.
_brisklet_cli_dequote()
{
    local word=$1
    case $word in
        \'*) word=${word#\'}; word=${word%\'} ;;
        \"*) word=${word#\"}; word=${word%\"} ;;
        *)
            local plain= i
            for ((i = 0; i < ${#word}; i++)); do
                [[ ${word:i:1} == \\ ]] && ((i++))
                plain+=${word:i:1}
            done
            word=$plain
            ;;
    esac
    printf '%s' "$word"
}

_brisklet_cli()
{
    local cur prev option= value prefix=
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    # "--opt=value": bash gives "--opt", "=" and the value as words of their own where "=" is
    # in COMP_WORDBREAKS (the default), or the whole as one word otherwise.
    if [[ $cur == = && $prev == --* ]]; then
        option=$prev value=
    elif [[ $prev == = && $COMP_CWORD -ge 2 && ${COMP_WORDS[COMP_CWORD-2]} == --* ]]; then
        option=${COMP_WORDS[COMP_CWORD-2]} value=$cur
    elif [[ $cur == --*=* ]]; then
        option=${cur%%=*} value=${cur#*=} prefix=$option=
    elif [[ $prev == --* && $prev != --@(color|number) ]]; then
        # --color and --number take a value only after "=": the next word is not theirs.
        option=$prev value=$cur
    elif [[ $COMP_CWORD -ge 2 && ${COMP_WORDS[COMP_CWORD-2]} == --@(replace|regex) ]]; then
        # The second word of a two-word step is text of the user's own too.
        return
    fi

    local words=
    case $option in
        --workflow|--export-workflow|--show-workflow|--delete-workflow)
            local IFS=$'\n'
            [[ $value == [\'\"]* ]] && compopt -o filenames 2>/dev/null
            COMPREPLY=($(_brisklet_cli_workflows "$value"))
            return
            ;;
        --stack|--revert)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -X '!*.json' -- "$value") $(compgen -d -- "$value"))
            return
            ;;
        --undo-file)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$value"))
            return
            ;;
        --system-workflow)
            words="photo-organization web-safe-names document-cleanup clean-and-number" ;;
        --sort)
            words="name modified size kind folder taken name:desc modified:desc size:desc
                kind:desc folder:desc taken:desc" ;;
        --color) words="auto always never" ;;
        --trim) words="spaces chars:" ;;
        --from) words="start end both leading trailing" ;;
        --case) words="lower upper title camel snake lowercase UPPERCASE camelCase snake_case" ;;
        --info)
            words="dateTaken dateModified cameraModel imageSize artist album title
                trackNumber year" ;;
        --if-missing) words="flagRow useDateModified" ;;
        # Text of the user's own: nothing to offer.
        --replace|--regex|--prepend|--append|--base|--date-format|--separator|--save-workflow|--number)
            return ;;
    esac
    if [[ -n $words ]]; then
        COMPREPLY=($(compgen -P "$prefix" -W "$words" -- "$value"))
        # "chars:" is followed by the characters, not by a space.
        [[ ${COMPREPLY[*]} == *chars: ]] && compopt -o nospace 2>/dev/null
        return
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "-0 -h -r --null --help --version --apply --skip-problems
            --undo-file --revert --json --color --color= --sort --workflow --system-workflow
            --stack --replace --match-case --first --last --all --regex --trim --from
            --prepend --append --after-extension --case --number --number= --base --keep-name
            --before --after --info --instead --date-format --separator --if-missing
            --print-stack --save-workflow --overwrite --list-workflows --show-workflow
            --export-workflow --delete-workflow --edit --recursive --hidden" -- "$cur"))
        [[ ${COMPREPLY[*]} == *= ]] && compopt -o nospace 2>/dev/null
        return
    fi
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -F _brisklet_cli brisklet-cli
