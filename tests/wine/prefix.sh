#!/bin/sh
# prefix.sh <prefix> <windows build> [<prefix for the unprivileged user> <its home>]
# Makes a fresh Wine prefix for one test run, registers the reference host in it and keeps its
# wineserver running until shutdown.sh: starting the server anew costs every Wine run seconds.
# Run as root with the last two arguments, it makes a second prefix owned by the unprivileged
# user (uid 65534), for the cases where root would not see file permissions.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
build=$(cd "$2" && pwd)
user_prefix=${3:-}
user_home=${4:-}
nobody=65534

export WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them, and they would prompt or download.
export WINEDLLOVERRIDES="mscoree,mshtml="

for file in "$build/refhost/tolvanehost.dll" "$build/refhost/wine-keepalive.exe"; do
  [ -f "$file" ] || { echo "missing $file: build the Windows tree first" >&2; exit 1; }
done

# The Windows form of a Linux path, on Wine's drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# in_prefix <prefix> <command...>: runs the command for that prefix, as the prefix's owner.
in_prefix() {
  dir=$1
  shift
  if [ "$dir" = "$user_prefix" ]; then
    setpriv --reuid=$nobody --regid=$nobody --clear-groups \
      env HOME="$user_home" WINEPREFIX="$dir" "$@"
  else
    env WINEPREFIX="$dir" "$@"
  fi
}

# prepare <prefix>: ends what an earlier run left there and empties the directory.
prepare() {
  rm -f "$1.keepalive"
  in_prefix "$1" wineserver -k >/dev/null 2>&1 </dev/null || true
  rm -rf "$1"
  mkdir -p "$1"
}

# boot <prefix>: creates the prefix, registers the host and starts the keep-alive program.
boot() {
  log="$1.log"
  if ! in_prefix "$1" "$here/wine64.sh" wineboot -i >"$log" 2>&1 </dev/null; then
    echo "wineboot failed for $1:" >&2
    cat "$log" >&2
    return 1
  fi
  if ! in_prefix "$1" "$here/wine64.sh" regsvr32 /s \
      "$(windows_path "$build/refhost/tolvanehost.dll")" >>"$log" 2>&1 </dev/null; then
    echo "regsvr32 tolvanehost.dll failed for $1:" >&2
    cat "$log" >&2
    return 1
  fi
  touch "$1.keepalive"
  # Redirected for the whole subshell: a redirection on the function call alone would leave
  # the shell holding a saved copy of our standard output for as long as the program runs.
  (
    exec </dev/null >"$1.keepalive.log" 2>&1
    in_prefix "$1" "$here/wine64.sh" "$build/refhost/wine-keepalive.exe" \
      "$(windows_path "$1.keepalive")"
  ) &
}

prepare "$prefix"
if [ -n "$user_prefix" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "not root: no prefix for the unprivileged user" >&2
    user_prefix=
  else
    prepare "$user_prefix"
    mkdir -p "$user_home"
    chown $nobody:$nobody "$user_prefix" "$user_home"
  fi
fi

# The prefixes boot side by side; each takes some ten seconds.
boot "$prefix" &
main=$!
status=0
if [ -n "$user_prefix" ]; then
  boot "$user_prefix" &
  wait $! || status=1
fi
wait $main || status=1
[ $status -eq 0 ] || exit 1
echo "Wine prefix ready: $prefix${user_prefix:+, and $user_prefix for uid $nobody}"
