"""Vorlanth from Python: open a world, run its cycles, read its players as arrays.

    import vorlanth
    world = vorlanth.World.builtin("circle", seed=7)
    world.run(50, futures=20)
    print(world.players["x"], world.metrics()["survivors"])
"""

from ._vorlanth import Error, Film, World

__all__ = ["Error", "Film", "World"]
