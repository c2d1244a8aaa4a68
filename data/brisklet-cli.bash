# bash completion for brisklet-cli
_brisklet_cli()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    case $prev in
        --workflow|--export-workflow)
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$(brisklet-cli --list-workflows 2>/dev/null)" -- "$cur"))
            return
            ;;
        --system-workflow)
            COMPREPLY=($(compgen -W "photo-organization web-safe-names document-cleanup clean-and-number" -- "$cur"))
            return
            ;;
        --sort)
            COMPREPLY=($(compgen -W "name modified size kind folder taken name:desc modified:desc size:desc kind:desc folder:desc taken:desc" -- "$cur"))
            return
            ;;
        --stack|--revert)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -X '!*.json' -- "$cur") $(compgen -d -- "$cur"))
            return
            ;;
        --undo-file)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--workflow --system-workflow --stack --export-workflow
            --list-workflows --apply --skip-problems --undo-file --revert --json --null --sort
            --help --version" -- "$cur"))
        return
    fi
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -F _brisklet_cli brisklet-cli
