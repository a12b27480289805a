#!/usr/bin/env bash
# Installs the Debian packages Vorlanth needs, only those that are missing.
# Idempotent; works as root or through sudo.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-charts-dev libqt6opengl6-dev  # Qt Charts (the plots) and the OpenGL module it needs
  googletest libgtest-dev libgmock-dev
  libbenchmark-dev
  libsleef-dev  # the model's deterministic elementary functions
  # FFmpeg's libraries, for films of a run (Debian's libavcodec brings libx264 and libvpx)
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
  xvfb xauth imagemagick xdotool  # the window seen and driven as a user does
  parallel
  # The Python module, its tests, sweeps on dask and the example's plot, for
  # Debian's own /usr/bin/python3
  pybind11-dev python3-dev python3-numpy python3-pytest python3-distributed python3-pandas
  python3-matplotlib python3-pil
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
elif command -v sudo >/dev/null 2>&1; then
  sudo_cmd=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo available" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "install-deps: done"
