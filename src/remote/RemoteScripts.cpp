#include "remote/RemoteScripts.h"

namespace tidewell::RemoteScripts {

// Only shell builtins run per process: the few programs started (ss, or ls and grep; head; ls) each
// read every process at once, so that a refresh costs about as much as the connection's own round trip.
const QByteArray& listing()
{
    static const QByteArray script = R"SH(if command -v tidewell >/dev/null 2>&1; then
  exec tidewell --list --all --json
fi
export LC_ALL=C QUOTING_STYLE=literal
set -f
echo '#tidewell-listing 1'
if [ "$(uname -s 2>/dev/null)" != Linux ]; then
  out=$(lsof -iTCP -sTCP:LISTEN -n -P 2>/dev/null)
  echo '#lsof'
  printf '%s\n' "$out"
  pids=
  while read -r c p rest; do
    case $p in ''|*[!0-9]*) continue ;; esac
    case ",$pids," in *",$p,"*) ;; *) pids="$pids,$p" ;; esac
  done <<LSOF
$out
LSOF
  pids=${pids#,}
  echo '#tree'
  ps -A -o pid= -o ppid= -o ucomm= 2>/dev/null
  echo '#ps'
  [ -n "$pids" ] && ps -o pid= -o lstart= -o command= -p "$pids" 2>/dev/null
  echo '#files'
  [ -n "$pids" ] && lsof -a -d cwd,txt -Fpfn -p "$pids" 2>/dev/null
  echo '#end'
  exit 0
fi
pids=
out=$(ss -Hltnpe 2>/dev/null)
case $out in
*users:*)
  echo '#ss'
  printf '%s\n' "$out"
  rest=$out
  while :; do
    case $rest in *pid=*) ;; *) break ;; esac
    rest=${rest#*pid=}
    p=${rest%%[!0-9]*}
    case " $pids " in *" $p "*) ;; *) pids="$pids $p" ;; esac
  done
  ;;
*)
  echo '#tcp'
  pat=/fd:
  for f in /proc/net/tcp /proc/net/tcp6; do
    [ -r $f ] || continue
    while read -r sl local remote st rest; do
      [ "$st" = 0A ] || continue
      set -- $rest
      echo "$local $6"
      pat="$pat
socket:[$6]"
    done < $f
  done
  echo '#fd'
  set +f
  fds=$(ls -l /proc/[0-9]*/fd 2>/dev/null | grep -F "$pat")
  set -f
  cur=
  while read -r line; do
    case $line in
    /proc/*/fd:) cur=${line#/proc/}; cur=${cur%/fd:} ;;
    *socket:*)
      ino=${line##*socket:[}
      echo "$cur ${ino%%]*}"
      case " $pids " in *" $cur "*) ;; *) pids="$pids $cur" ;; esac
      ;;
    esac
  done <<FDS
$fds
FDS
  ;;
esac
files=
links=
seen=
for p in $pids; do
  links="$links /proc/$p/exe /proc/$p/cwd"
  q=$p
  n=0
  while [ "$n" -lt 12 ] && [ "$q" -gt 1 ] 2>/dev/null; do
    case " $seen " in *" $q "*) break ;; esac
    seen="$seen $q"
    files="$files /proc/$q/stat /proc/$q/cmdline"
    { read -r st < /proc/$q/stat; } 2>/dev/null || break
    set -- ${st##*)}
    q=$2
    n=$((n + 1))
  done
done
echo '#proc'
[ -n "$files" ] && head -c 4096 $files 2>/dev/null
echo
echo '#links'
[ -n "$links" ] && ls -l $links 2>/dev/null
echo '#end'
)SH";
    return script;
}

const QByteArray& stop()
{
    static const QByteArray script = R"SH(export LC_ALL=C
set -f
p=$1
start=$2
ino=$3
sig=$4
port=$5
if [ "$(uname -s 2>/dev/null)" = Linux ]; then
  holds() { ls -l "/proc/$p/fd" 2>/dev/null | grep -qF "socket:[$ino]"; }
  { read -r st < "/proc/$p/stat"; } 2>/dev/null || { echo not-listed; exit 0; }
  set -- ${st##*)}
  [ $# -ge 20 ] || { echo not-listed; exit 0; }
  shift 19
  now=$1
else
  holds() { lsof -a -p "$p" -iTCP:"$port" -sTCP:LISTEN -t >/dev/null 2>&1; }
  set -- $(ps -o lstart= -p "$p" 2>/dev/null)
  [ $# -eq 5 ] || { echo not-listed; exit 0; }
  case $2 in
  Jan) m=01 ;; Feb) m=02 ;; Mar) m=03 ;; Apr) m=04 ;; May) m=05 ;; Jun) m=06 ;;
  Jul) m=07 ;; Aug) m=08 ;; Sep) m=09 ;; Oct) m=10 ;; Nov) m=11 ;; Dec) m=12 ;; *) m=xx ;;
  esac
  d=0$3
  t=$4
  h=${t%%:*}
  t=${t#*:}
  now=$5$m${d#"${d%??}"}$h${t%%:*}${t#*:}
fi
[ "$now" = "$start" ] && holds || { echo not-listed; exit 0; }
if [ "$sig" = KILL ]; then kill -KILL "$p"; else kill -TERM "$p"; fi 2>/dev/null || { echo not-permitted; exit 0; }
n=0
while [ $n -lt 50 ]; do
  holds || { echo stopped; exit 0; }
  sleep 0.1
  n=$((n + 1))
done
echo still-listening
)SH";
    return script;
}

} // namespace tidewell::RemoteScripts
