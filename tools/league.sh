#!/usr/bin/env bash
# Runs the league (make league): every run of the suite on all local cores with
# GNU parallel, gathered by vorlanth-league into league.csv and a Markdown table.
#
#   tools/league.sh [BUILD] [SUITE] [CSV]     (from the root of the source tree)
#
# Extra options for parallel go in LEAGUE_PARALLEL, e.g. to spread the runs over
# machines: LEAGUE_PARALLEL="--sshloginfile hosts --workdir $PWD --env BUILD".
set -euo pipefail

build=${1:-build}
suite=${2:-tools/league.suite}
csv=${3:-league.csv}

for tool in vorlanth-sim vorlanth-league vorlanth-make-circuit; do
  if [ ! -x "$build/tools/$tool" ]; then
    echo "league: $build/tools/$tool is missing; build it first (make league does)" >&2
    exit 2
  fi
done
if ! command -v parallel >/dev/null 2>&1; then
  echo "league: GNU parallel is missing (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

# The second circuit, drawn by the generator.
mkdir -p "$build/league"
"$build/tools/vorlanth-make-circuit" --narrow "$build/league/narrow.bmp" >/dev/null

export BUILD="$build"
# shellcheck disable=SC2086
grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$suite" \
  | parallel --will-cite --jobs 100% --halt now,fail=1 ${LEAGUE_PARALLEL:-} \
  | "$build/tools/vorlanth-league" --suite "$suite" --csv "$csv"
