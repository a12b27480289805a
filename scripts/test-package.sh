#!/usr/bin/env bash
# The Debian package's test: unpacks it into a scratch root and runs the runner,
# the league tool and the Python module from there, and nothing from the build.
# usage: test-package.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

dpkg-deb --info "$deb" | grep -E "^ (Package|Version|Depends):"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/vorlanth usr/bin/vorlanth-sim usr/bin/vorlanth-league \
            usr/lib/vorlanth/libvorlanth_video_ffmpeg.so \
            usr/share/applications/vorlanth.desktop usr/share/icons/hicolor/scalable/apps/vorlanth.svg \
            usr/share/mime/packages/vorlanth-scene.xml usr/lib/python3/dist-packages/vorlanth/__init__.py \
            usr/lib/python3/dist-packages/vorlanth/__init__.pyi \
            usr/share/doc/vorlanth/examples/sweep_goal_strengths.py; do
  [ -e "$root/$file" ] || { echo "test-package: the package lacks /$file" >&2; exit 1; }
done

cd "$root"
# The runner, filming too: its encoder module is found in the package's lib/vorlanth/.
"$root/usr/bin/vorlanth-sim" --scene circle --seed 1 --cycles 3 --futures 5 --video "$root/run.mp4" \
  --save-scene "$root/run.vorlanth.json" > "$root/summary.json"
grep -q '"stopped_early":false' "$root/summary.json"
[ -s "$root/run.mp4" ]
league=$("$root/usr/bin/vorlanth-league" 2>&1 || true)
grep -q "usage: vorlanth-league" <<< "$league"

PYTHONPATH="$root/usr/lib/python3/dist-packages" QT_QPA_PLATFORM=offscreen /usr/bin/python3 -c "
import sys, vorlanth
assert vorlanth.__file__.startswith(sys.argv[1]), vorlanth.__file__
world = vorlanth.World.open(sys.argv[1] + '/run.vorlanth.json')
with world.film(sys.argv[1] + '/more.mp4'):
    world.run(2, futures=5)
assert world.cycle == 5 and len(world.players['x']) == 18
print('test-package: the runner and the module ran from', sys.argv[1])
" "$root"
