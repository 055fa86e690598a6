#!/usr/bin/env bash
# Times the whole tool (logging and posting on, the reference host taking the article) against
# the pipeline a user would write instead, on generated news server directories of three sizes.
#
#   bench/run.sh [--build DIR] [--wine [DIR]] [--pairs N] [--servers N] [--lines N]
#                [--groups N] [--seed N] [--locale LOCALE] [--work DIR]
#
#   --build DIR   native build tree to use (default build/bench, configured as Release)
#   --wine [DIR]  also time the Windows build under Wine (default tree build/bench-win)
#   --pairs N     tool and pipeline runs, taken in turn, per size (default 5)
#   --servers, --lines, --groups, --seed   the full size (default 8, 1500000, 250000, 1);
#                 10 % and 1 % of lines and groups are timed as well
#   --locale      LC_ALL for the tool (default C.UTF-8)
#   --work DIR    generated data and sandboxes (default <build>/bench-run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build=build/bench
wine_build=
pairs=5
servers=8
lines=1500000
groups=250000
seed=1
locale=C.UTF-8
work=
while (($#)); do
  case $1 in
    --build) build=$2; shift 2 ;;
    --wine)
      if [[ ${2:-} && $2 != --* ]]; then wine_build=$2; shift 2; else wine_build=build/bench-win; shift; fi ;;
    --pairs) pairs=$2; shift 2 ;;
    --servers) servers=$2; shift 2 ;;
    --lines) lines=$2; shift 2 ;;
    --groups) groups=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --locale) locale=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done
absolute() { mkdir -p "$1" && (cd "$1" && pwd); }
build=$(absolute "$build")
work=$(absolute "${work:-$build/bench-run}")

# --- building -------------------------------------------------------------------------------

if [[ -n $wine_build ]]; then scripts/install-deps.sh all; else scripts/install-deps.sh native; fi
echo "Building the native tool and the benchmark helpers in $build"
[[ -f $build/CMakeCache.txt ]] ||
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELBRIN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kelbrin tolvanehost kelbrin_bench_gen kelbrin_bench_measure \
  >/dev/null
if [[ -n $wine_build ]]; then
  wine_build=$(absolute "$wine_build")
  echo "Building the Windows tool in $wine_build"
  [[ -f $wine_build/CMakeCache.txt ]] ||
    cmake -S . -B "$wine_build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DKELBRIN_TESTS=OFF >/dev/null
  cmake --build "$wine_build" -j2 --target kelbrin tolvanehost wine-keepalive >/dev/null
fi
measure=$build/bench/kelbrin_bench_measure

# --- data -----------------------------------------------------------------------------------

# data_dir <lines> <groups>: a generated news server directory, made once and kept.
data_dir() {
  local dir=$work/data/s$servers-l$1-g$2-seed$seed
  if [[ ! -f $dir/.complete ]]; then
    rm -rf "$dir"
    "$build/bench/kelbrin_bench_gen" --servers "$servers" --lines "$1" --groups "$2" \
      --seed "$seed" --out "$dir"
    touch "$dir/.complete"
  fi
  echo "$dir"
}

# --- sandboxes ------------------------------------------------------------------------------

wine_prefix=$work/wine-prefix/prefix
cleanup() {
  if [[ -n $wine_build && -d $wine_prefix ]]; then
    tests/wine/shutdown.sh "$wine_prefix" >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# sandbox <platform>: a directory with a copy of the tool, as scripts/demo.sh makes one.
sandbox() {
  local box=$work/$1
  rm -rf "$box"
  mkdir -p "$box/spool" "$box/config/inproc-servers"
  if [[ $1 == native ]]; then
    cp "$build/kelbrin" "$box/"
    echo "$build/refhost/libtolvanehost.so" >"$box/config/inproc-servers/tolvane.app"
  else
    cp "$wine_build/kelbrin.exe" "$box/"
  fi
  echo "$box"
}

# host_ini <platform> <box> <data>: the reference host's settings for one data directory.
host_ini() {
  local path=$3/news/ server=$3/news/server/ journal=$2/journal.txt spool=$2/spool
  if [[ $1 == wine ]]; then
    path=$(windows_path "$path") server=$(windows_path "$server")
    journal=$(windows_path "$journal") spool=$(windows_path "$spool")
  fi
  printf '[Host]\nPath=%s\nServerPath=%s\nJournal=%s\nSpool=%s\n' \
    "$path" "$server" "$journal" "$spool" >"$2/host.ini"
}

# run_tool <platform> <box> <report> [args...]: one timed run of the tool.
run_tool() {
  local platform=$1 box=$2 report=$3
  shift 3
  rm -f "$box"/spool/* "$box"/kelbrin.lst "$box"/kelbrin.log "$box"/journal.txt
  local config=$box/host.ini
  [[ $platform == wine ]] && config=$(windows_path "$config")
  local command=("$box/kelbrin" "$@")
  [[ $platform == wine ]] && command=("$root/tests/wine/wine64.sh" "$box/kelbrin.exe" "$@")
  # Output goes to a file: Wine's helper processes would hold a pipe open.
  if ! (cd "$box" && env XDG_CONFIG_HOME="$box/config" TOLVANE_HOST_CONFIG="$config" \
      LC_ALL="$locale" WINEPREFIX="$wine_prefix" WINEDEBUG=-all \
      "$measure" "$report" "${command[@]}" >"$box/output.txt" 2>&1 </dev/null); then
    echo "the tool failed; its output:" >&2
    cat "$box/output.txt" >&2
    exit 1
  fi
  [[ $* == *NOPOST* || -f $box/spool/article-1.txt ]] || {
    echo "the host took no article; the tool's output:" >&2
    cat "$box/output.txt" >&2
    exit 1
  }
}

# run_pipeline <data> <report> <output>: cut the names from the group files, sort, dedupe.
run_pipeline() {
  "$measure" "$2" bash -c 'for d in "$1"/news/server/*/; do
      cut -d" " -f1 "$d/groups.txt"; cut -d" " -f2 "$d/newgrps.txt"; done |
    LC_ALL=C sort -u -f >"$2"' pipeline "$1" "$3"
}

run_sort() {
  "$measure" "$2" bash -c 'LC_ALL=C sort -u -f "$1" >"$2"' sort "$1/news/server/alldescs.txt" "$3"
}

# --- statistics -----------------------------------------------------------------------------

median() {
  sort -g | awk '{ v[NR] = $1 } END { print ((NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
column_of() { awk -v c="$2" '{ print $c }' "$1"; }
# ratios <tool report> <pipeline report> <column>: tool / pipeline, pair by pair.
ratios() { paste -d' ' <(column_of "$1" "$3") <(column_of "$2" "$3") | awk '{ print $1 / $2 }'; }
max_of() { sort -g | tail -1; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# time_pairs <platform> <box> <data> <kind> <tag>: runs the pairs, leaves reports in $work.
time_pairs() {
  local platform=$1 box=$2 data=$3 kind=$4 tag=$5
  local tool_report=$work/$platform-$tag.tool pipe_report=$work/$platform-$tag.pipe
  rm -f "$tool_report" "$pipe_report"
  for ((i = 1; i <= pairs; ++i)); do
    if [[ $kind == desclist ]]; then
      run_tool "$platform" "$box" "$tool_report" /DESCLIST
      run_sort "$data" "$pipe_report" "$work/sorted.txt"
    elif [[ $kind == desclist-only ]]; then
      run_tool "$platform" "$box" "$tool_report" /DESCLIST /NOPOST /NOLOG
      run_sort "$data" "$pipe_report" "$work/sorted.txt"
    else
      run_tool "$platform" "$box" "$tool_report"
      run_pipeline "$data" "$pipe_report" "$work/pipeline.txt"
    fi
  done
  local listed piped
  listed=$(tr -cd '\n' <"$box/kelbrin.lst" | wc -c)
  piped=$(wc -l <"$work/$([[ $kind == lines ]] && echo pipeline || echo sorted).txt")
  ((listed == piped)) ||
    echo "  note: the list holds $listed lines, the pipeline's output $piped" >&2
}

# report_size <platform> <tag> <lines> <list file>: one table row; sets per_line[tag].
declare -A per_line
report_size() {
  local tool pipe ratio cpu_ratio peak size limit
  tool=$(column_of "$work/$1-$2.tool" 1 | median)
  pipe=$(column_of "$work/$1-$2.pipe" 1 | median)
  ratio=$(ratios "$work/$1-$2.tool" "$work/$1-$2.pipe" 1 | median)
  cpu_ratio=$(ratios "$work/$1-$2.tool" "$work/$1-$2.pipe" 4 | median)
  peak=$(column_of "$work/$1-$2.tool" 2 | max_of)
  size=$(stat -c %s "$4")
  limit=$(calc '%.1f' "(4 * $size + 32 * 1048576) / 1048576")
  per_line[$2]=$(calc '%.4f' "$tool / $3 * 1e6")
  printf '  %-5s %8s %7s %7.2f %7.3f %7.3f %6.2f %6.2f %8.3f %7.1f %7s\n' "$2" "$3" \
    "$(tr -cd '\n' <"$4" | wc -c)" "$(calc '%.2f' "$size / 1048576")" "$tool" "$pipe" "$ratio" \
    "$cpu_ratio" "${per_line[$2]}" "$(calc '%.1f' "$peak / 1024")" "$limit"
}

# --- the runs -------------------------------------------------------------------------------

declare -A size_lines size_groups
size_lines=([1%]=$((lines / 100)) [10%]=$((lines / 10)) [100%]=$lines)
size_groups=([1%]=$((groups / 100)) [10%]=$((groups / 10)) [100%]=$groups)
echo "Generating the news server directories in $work/data"
for tag in 1% 10% 100%; do data_dir "${size_lines[$tag]}" "${size_groups[$tag]}" >/dev/null; done

platforms=(native)
if [[ -n $wine_build ]]; then
  platforms+=(wine)
  echo "Making a Wine prefix in $wine_prefix"
  tests/wine/prefix.sh "$wine_prefix" "$wine_build" >/dev/null
fi

echo
echo "$servers servers, seed $seed, $pairs pairs per size, the tool under LC_ALL=$locale;"
echo "pipeline: cut -d' ' -f1 groups.txt, -f2 newgrps.txt | LC_ALL=C sort -u -f"
echo "tool, pipe: median wall seconds; ratio, cpu: median of tool / pipeline over the pairs, wall"
echo "and processor time; list, peak, limit: MiB (limit = 4 x list file + 32 MiB); us/line: tool"
echo "wall time per group-file line"
for platform in "${platforms[@]}"; do
  box=$(sandbox "$platform")
  echo
  if [[ $platform == native ]]; then
    echo "native: $build/kelbrin"
  else
    echo "Wine: $wine_build/kelbrin.exe (cpu: the tool's process, without the wineserver's)"
  fi
  printf '  %-5s %8s %7s %7s %7s %7s %6s %6s %8s %7s %7s\n' size lines groups "list" "tool" \
    "pipe" ratio "cpu" "us/line" peak limit
  for tag in 1% 10% 100%; do
    data=$(data_dir "${size_lines[$tag]}" "${size_groups[$tag]}")
    host_ini "$platform" "$box" "$data"
    time_pairs "$platform" "$box" "$data" lines "$tag"
    report_size "$platform" "$tag" "${size_lines[$tag]}" "$box/kelbrin.lst"
  done
  echo "  per-line cost growth: 10% -> 100%: $(calc '%.2f' "${per_line[100%]} / ${per_line[10%]}")," \
    "1% -> 10%: $(calc '%.2f' "${per_line[10%]} / ${per_line[1%]}")"

  data=$(data_dir "$lines" "$groups")
  desc_lines=$(tr -cd '\n' <"$data/news/server/alldescs.txt" | wc -c)
  echo "  description list of $desc_lines lines against sort -u -f:"
  for kind in desclist desclist-only; do
    time_pairs "$platform" "$box" "$data" "$kind" "$kind"
    printf '    %-24s tool %.3f s, sort %.3f s, ratio %.2f, cpu %.2f, peak %.1f, limit %s\n' \
      "$([[ $kind == desclist ]] && echo /DESCLIST || echo '/DESCLIST /NOPOST /NOLOG')" \
      "$(column_of "$work/$platform-$kind.tool" 1 | median)" \
      "$(column_of "$work/$platform-$kind.pipe" 1 | median)" \
      "$(ratios "$work/$platform-$kind.tool" "$work/$platform-$kind.pipe" 1 | median)" \
      "$(ratios "$work/$platform-$kind.tool" "$work/$platform-$kind.pipe" 4 | median)" \
      "$(calc '%.1f' "$(column_of "$work/$platform-$kind.tool" 2 | max_of) / 1024")" \
      "$(calc '%.1f' "(4 * $(stat -c %s "$box/kelbrin.lst") + 32 * 1048576) / 1048576")"
  done
done
