# bash completion for tidewell

_tidewell()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    case $prev in
        --timeout | --team | --stop)
            # A number of seconds, a team's id or slug, a port: nothing to offer.
            return
            ;;
    esac

    local options="--list --all --json --timeout --deployments --team --check-update
        --stop --force --help --help-all --version -h -v"
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}

complete -F _tidewell tidewell
