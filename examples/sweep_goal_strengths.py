#!/usr/bin/python3
"""Which strength of the drops goal makes the best drivers? One sweep, one plot.

Runs the circle of karts with five strengths of "Get drops" and three seeds on a
local dask cluster (one worker per core), then plots the distance driven and the
survivors against the strength. Usage: sweep_goal_strengths.py [OUT.png]
"""

import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import vorlanth  # noqa: E402


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "sweep_goal_strengths.png"
    table = vorlanth.sweep("circle", {"Get drops": [0.0, 0.5, 1.0, 2.0, 4.0]}, seeds=[1, 2, 3],
                           cycles=40, futures=20)
    means = table.groupby("Get drops")[["kinds.kart.distance", "kinds.kart.survivors"]].mean()
    print(means.to_string())

    fig, left = plt.subplots(figsize=(6, 4))
    left.plot(means.index, means["kinds.kart.distance"], "o-", color="tab:blue")
    left.set_xlabel('strength of "Get drops"')
    left.set_ylabel("distance per kart (pixels)", color="tab:blue")
    right = left.twinx()
    right.plot(means.index, means["kinds.kart.survivors"], "s--", color="tab:red")
    right.set_ylabel("surviving karts", color="tab:red")
    left.set_title("Circle of karts, 40 cycles, mean of 3 seeds")
    fig.tight_layout()
    fig.savefig(out, dpi=100)
    print("wrote", out)


if __name__ == "__main__":
    main()
