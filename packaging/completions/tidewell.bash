# bash completion for tidewell

_tidewell()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    case $prev in
        --timeout | --team | --stop | --local-port)
            # A number of seconds, a team's id or slug, a port: nothing to offer.
            return
            ;;
        --host | --forward)
            # The hosts of ~/.ssh/config.
            COMPREPLY=($(compgen -W "$(awk 'tolower($1) == "host" { for (i = 2; i <= NF; ++i) if ($i !~ /[*?!]/) print $i }' ~/.ssh/config 2>/dev/null)" -- "$cur"))
            return
            ;;
    esac

    local options="--list --all --json --timeout --deployments --team --check-update
        --stop --force --host --forward --local-port --help --help-all --version -h -v"
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}

complete -F _tidewell tidewell
