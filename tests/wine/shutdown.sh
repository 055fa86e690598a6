#!/bin/sh
# shutdown.sh <prefix> [<prefix for the unprivileged user> <its home>]
# Ends what prefix.sh started: the keep-alive programs and the prefixes' wineservers.
prefix=$1
user_prefix=${2:-}
user_home=${3:-}

rm -f "$prefix.keepalive"
WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 </dev/null
if [ -n "$user_prefix" ] && [ -d "$user_prefix" ] && [ "$(id -u)" -eq 0 ]; then
  rm -f "$user_prefix.keepalive"
  setpriv --reuid=65534 --regid=65534 --clear-groups \
    env HOME="$user_home" WINEPREFIX="$user_prefix" wineserver -k >/dev/null 2>&1 </dev/null
fi
# A server that has already gone is no failure of the run.
exit 0
