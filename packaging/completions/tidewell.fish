# fish completion for tidewell

complete -c tidewell -f
complete -c tidewell -s h -l help -d 'Print the options and exit'
complete -c tidewell -l help-all -d "Print the options, including Qt's own, and exit"
complete -c tidewell -s v -l version -d 'Print the version and exit'
complete -c tidewell -l list -d 'Print the development servers that serve a page'
complete -c tidewell -l all -d 'With --list: also print every other listening process'
complete -c tidewell -l json -d 'Print one JSON array instead of a table'
complete -c tidewell -l timeout -x -d 'With --list: seconds to wait for each page'
complete -c tidewell -l deployments -d 'Print the latest Vercel deployment of each project'
complete -c tidewell -l team -x -d 'With --deployments: the Vercel team (id or slug) for this run'
complete -c tidewell -l check-update -d 'Ask the update service about a newer version'
complete -c tidewell -l stop -x -d 'Stop what listens on this port'
complete -c tidewell -l force -d 'With --stop: kill it if it still listens after 5 s'
complete -c tidewell -l host -x -d 'With --list or --stop: that machine over ssh'
complete -c tidewell -l forward -x -d 'Forward a local port to DEST:PORT over ssh'
complete -c tidewell -l local-port -x -d 'With --forward: this local port'
