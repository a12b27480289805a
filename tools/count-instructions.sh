#!/usr/bin/env bash
# Instructions per player sub-step, counted by valgrind's callgrind: repeatable
# whatever else the machine is doing. The start-up (loading the circuit) is
# measured on its own and taken off.
#   tools/count-instructions.sh [path/to/vorlanth-sim]
set -euo pipefail
sim=${1:-build/tools/vorlanth-sim}
count() {
  # One thread: a waiting thread would add instructions that say nothing of the model.
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$sim" --threads 1 "$@" 2>&1 |
    sed -n 's/.*Collected : //p'
}
per_substep() {  # scene futures cycles players
  local scene=$1 futures=$2 cycles=$3 players=$4
  local run startup
  run=$(count --scene "$scene" --futures "$futures" --cycles "$cycles" --seed 1)
  startup=$(count --scene "$scene" --futures 1 --cycles 0 --seed 1)
  # 100 sub-steps per future at the default 10 s horizon.
  echo $(( (run - startup) / (futures * cycles * 100 * players) ))
}
echo "circle (18 karts): $(per_substep circle 20 3 18) instructions per player sub-step"
echo "start (one rocket): $(per_substep start 200 3 1) instructions per player sub-step"
