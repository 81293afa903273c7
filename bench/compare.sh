#!/usr/bin/env bash
# Times Chart Viewer's load-to-shown against gnuplot and matplotlib drawing
# the same generated series (632 x 419, 3-px red line), each under
# /usr/bin/time -v for wall time and peak memory, the medians of three runs.
#   bench/compare.sh [n ...]     default sizes: 1000000 10000000
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$repo/build-bench}
[ $# -eq 0 ] && set -- 1000000 10000000

missing=()
for package in gnuplot-nox python3-matplotlib time; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d /tmp/chartviewer-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "Building into $build"
if ! { cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCHARTVIEWER_BENCHMARKS=ON -DCHARTVIEWER_TESTS=OFF \
       && cmake --build "$build" --target generate_chart end_to_end_bench -j"$(nproc)"; } >"$work/build.log" 2>&1; then
  cat "$work/build.log"
  exit 1
fi

cat >"$work/plot.py" <<'PY'
import sys
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

n = int(sys.argv[1])
xy = np.loadtxt("chart.dat", delimiter=",", skiprows=4, max_rows=n, dtype=np.int64)
fig = plt.figure(figsize=(632 / 96, 419 / 96), dpi=96)
# Line widths are in points: 3 px at 96 dpi is 2.25 pt.
fig.add_subplot().plot(xy[:, 0], xy[:, 1], color="#C80A0A", linewidth=3 * 72 / 96)
fig.savefig("matplotlib.png")
PY

# The middle of its arguments, numbers.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Sets wall (s), rss (MB) and shown (ms, chartviewer only) from a command run
# in the size's folder: the medians of three runs, since the machine's pace
# wanders between runs.
measure() {
  local folder=$1
  shift
  local walls=() rsses=() shows=()
  for run in 1 2 3; do
    if ! (cd "$folder" && timeout 900 /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/out.txt" 2>"$work/err.txt"); then
      echo "failed: $*" >&2
      tail -5 "$work/err.txt" >&2
      wall=nan rss=nan shown=nan
      return
    fi
    walls+=("$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")")
    rsses+=("$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time.txt")")
    shows+=("$(grep -o 'shown_ms=[0-9.]*' "$work/out.txt" | cut -d= -f2 || echo 0)")
  done
  wall=$(median "${walls[@]}") rss=$(median "${rsses[@]}") shown=$(median "${shows[@]}")
}

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
printf '%-12s %10s %9s %10s %8s %9s\n' tool points "wall s" "peak MB" "wall x" "memory x"
for n in "$@"; do
  folder="$work/$n"
  mkdir -p "$folder"
  "$build/bench/generate_chart" "$n" "$folder/chart.dat" >/dev/null
  cat >"$folder/plot.gp" <<GP
set terminal pngcairo size 632,419
set output 'gnuplot.png'
set datafile separator ','
unset key
plot 'chart.dat' skip 4 every ::0::$((n - 1)) using 1:2 with lines lw 3 lc rgb '#C80A0A'
GP
  measure "$folder" env QT_QPA_PLATFORM=offscreen "$build/bench/end_to_end_bench" --here --window
  cv_wall=$wall cv_rss=$rss cv_shown=$shown
  for tool in chartviewer gnuplot matplotlib; do
    case $tool in
      gnuplot) measure "$folder" gnuplot plot.gp ;;
      matplotlib) measure "$folder" /usr/bin/python3 "$work/plot.py" "$n" ;;
    esac
    printf '%-12s %10s %9s %10s %8s %9s\n' "$tool" "$n" "$wall" "$rss" \
      "$(awk -v a="$wall" -v b="$cv_wall" 'BEGIN { printf "%.2f", a / b }')" \
      "$(awk -v a="$rss" -v b="$cv_rss" 'BEGIN { printf "%.2f", a / b }')"
  done
  echo "  (chartviewer in-process load-to-shown: ${cv_shown:-?} ms; the rest is process start and exit)"
  rm -f "$folder/chart.dat"
done
