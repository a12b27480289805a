#!/usr/bin/env bash
# `make bench`: the micro-benchmarks, then whole runs of vorlanth-sim, model only
# and with the window's drawing (frames written to a temporary folder).
set -euo pipefail
build=${1:-build}
cycles=${BENCH_CYCLES:-30}
"$build/tools/vorlanth-bench" --benchmark_min_time=0.2
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
threads=$(nproc 2>/dev/null || echo 1)
# Runs a command, then prints the last line it wrote and its peak memory.
with_peak_memory() {
  python3 -c '
import resource, subprocess, sys
lines = subprocess.run(sys.argv[1:], stdout=subprocess.PIPE, check=True).stdout.decode().splitlines()
print(lines[-1] if lines else "")
print("peak memory: %.1f MB" % (resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024))
' "$@"
}
for scene in start circle; do
  for t in 1 "$threads"; do
    echo "== $scene, model only, $t thread(s) ($cycles cycles)"
    "$build/tools/vorlanth-sim" --scene "$scene" --cycles "$cycles" --seed 1 --threads "$t" | tail -n 1
    echo "== $scene, drawing as the window does, $t thread(s) ($cycles cycles)"
    "$build/tools/vorlanth-sim" --scene "$scene" --cycles "$cycles" --seed 1 --threads "$t" \
      --frames "$frames/f" | tail -n 1
    [ "$threads" = 1 ] && break
  done
done
# Sixty karts thinking at once: 100 futures each, the 10 s horizon, on every core.
echo "== 60 karts, 100 futures each, model only, $threads thread(s) ($cycles cycles)"
with_peak_memory "$build/tools/vorlanth-sim" --add-karts 60 --futures 100 --cycles "$cycles" --seed 1 --threads "$threads"
# Passes side by side: the circle at one lane, four and eight (AVX2 kernels), and eight in
# AVX-512 kernels, on one thread; then sixty karts on every core.
for config in "1 4" "4 4" "8 4" "8 8"; do
  read -r lanes width <<< "$config"
  echo "== circle, 100 futures, 1 thread, $lanes lane(s), kernels up to $width wide, model only ($cycles cycles)"
  "$build/tools/vorlanth-sim" --scene circle --futures 100 --cycles "$cycles" --seed 1 --threads 1 \
    --lanes "$lanes" --vector-width "$width" | tail -n 1
done
for lanes in 4 8; do
  echo "== 60 karts, 100 futures each, $threads thread(s), $lanes lanes, model only ($cycles cycles)"
  with_peak_memory "$build/tools/vorlanth-sim" --add-karts 60 --futures 100 --cycles "$cycles" --seed 1 \
    --threads "$threads" --lanes "$lanes"
done
# The window: a command and an undo with 18 and 60 karts, then (under Xvfb, with xdotool) a
# goal bar dragged by real mouse events while running.
if [ -x "$build/app/vorlanth-window-bench" ]; then
  for karts in 18 60; do
    echo "== the window, $karts karts: a command and an undo"
    QT_QPA_PLATFORM=offscreen "$build/app/vorlanth-window-bench" --karts "$karts" 2>/dev/null
    if command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1; then
      echo "== the window, $karts karts: a goal bar dragged while running (Xvfb, real events)"
      xvfb-run -a -s "-screen 0 1600x1000x24" "$build/app/vorlanth-window-bench" --latency --karts "$karts" 2>/dev/null
    fi
  done
fi
# The timeline: bytes per kept cycle, and a past cycle shown, at 18 and 60 karts.
if [ -x "$build/app/vorlanth-timeline-bench" ]; then
  for karts in 18 60; do
    echo "== the timeline, $karts karts"
    QT_QPA_PLATFORM=offscreen "$build/app/vorlanth-timeline-bench" --karts "$karts" 2>/dev/null
  done
fi
if command -v valgrind >/dev/null 2>&1; then
  echo "== instructions per player sub-step (callgrind)"
  bash "$(dirname "$0")/count-instructions.sh" "$build/tools/vorlanth-sim"
fi
