#!/bin/sh
# run.sh <output file> <command> [args...]
# Runs the command with its output in a file, then prints the file and exits with the command's
# status. Wine's helper processes inherit standard output: were it ctest's pipe, ctest would
# wait for them to end.
out="$1"
shift
"$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
exit $status
