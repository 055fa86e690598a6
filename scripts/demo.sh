#!/usr/bin/env bash
# Builds the tool and runs its main job against the sample news server under examples/,
# through the reference host: collects the groups into the list file and posts the list.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh native
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELBRIN_TESTS=OFF >/dev/null
cmake --build build/demo -j2 --target kelbrin tolvanehost >/dev/null

demo=$root/build/demo/run
rm -rf "$demo"
mkdir -p "$demo/spool" "$demo/config/inproc-servers"
cp build/demo/kelbrin "$demo/"
cp -r examples/news "$demo/news"
# The host's program directory is the sample's news folder; the tool finds its servers there.
cat >"$demo/host.ini" <<INI
[Host]
Path=$demo/news/
ServerPath=$demo/news/server/
Version=1.3.19.0
Journal=$demo/journal.txt
Spool=$demo/spool
INI
echo "$root/build/demo/refhost/libtolvanehost.so" >"$demo/config/inproc-servers/tolvane.app"

status=0
(cd "$demo" && XDG_CONFIG_HOME="$demo/config" TOLVANE_HOST_CONFIG="$demo/host.ini" ./kelbrin "$@") || status=$?
echo
echo "Exit code:  $status"
echo "Run log:    $demo/kelbrin.log"
[[ -f $demo/kelbrin.lst ]] && echo "List file:  $demo/kelbrin.lst ($(wc -l <"$demo/kelbrin.lst") groups)"
for article in "$demo"/spool/article-*.txt; do
  [[ -f $article ]] && echo "Article:    $article (posted to $(cat "${article%.txt}.group"))"
done
exit "$status"
