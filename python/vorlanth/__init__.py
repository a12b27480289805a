"""Vorlanth from Python: open a world, run its cycles, read its players as arrays.

    import vorlanth
    world = vorlanth.World.builtin("circle", seed=7)
    world.run(50, futures=20)
    print(world.players["x"], world.metrics()["survivors"])

`vorlanth.sweep` runs every combination of settings and goal strengths on a dask
cluster and returns a pandas DataFrame of the metrics.
"""

from ._vorlanth import Error, Film, World
from .sweep import combinations, run_combination, sweep

__all__ = ["Error", "Film", "World", "combinations", "run_combination", "sweep"]
