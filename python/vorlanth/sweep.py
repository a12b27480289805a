"""Sweeps: every combination of settings and goal strengths, each run alone."""

import itertools
import os

from ._vorlanth import World

SETTING_NAMES = ("horizon", "min_futures", "friction", "side_friction", "collisions", "evolution")


def combinations(grid):
    """Every combination of the grid's values, in order: a list of dicts name -> value.

    The grid maps a setting's name (horizon, min_futures, friction, side_friction,
    collisions, evolution) or a team goal's name ("Get drops") to the values to try.
    """
    if not isinstance(grid, dict) or not grid:
        raise ValueError("The grid must be a dict of names to lists of values, with at least one name.")
    names = list(grid)
    values = []
    for name in names:
        try:
            options = list(grid[name])
        except TypeError:
            raise ValueError(f"The grid's {name!r} must be a list of values, not {grid[name]!r}.") from None
        if not options:
            raise ValueError(f"The grid's {name!r} has no values.")
        values.append(options)
    return [dict(zip(names, chosen)) for chosen in itertools.product(*values)]


def _open(scene, seed):
    if str(scene).endswith(".vorlanth.json"):
        return World.open(str(scene), seed=seed)
    return World.builtin(str(scene), seed=seed)


def run_combination(scene, combination, seed, cycles, futures):
    """One run: the scene (a built-in name or a scene file) seeded afresh, the
    combination's settings and goal strengths set by name, `cycles` cycles of
    exactly `futures` passes on one thread. Returns one row: the combination, the
    seed and the metrics (nested figures flattened as kinds.kart.distance)."""
    world = _open(scene, seed)
    for name, value in combination.items():
        if name in SETTING_NAMES:
            world.set_setting(name, value)
        else:
            world.set_goal_strength(name, value)
    world.run(cycles, futures=futures, threads=1)
    row = dict(combination)
    row["seed"] = seed
    row.update(_flatten(world.metrics()))
    return row


def _flatten(metrics, prefix=""):
    flat = {}
    for key, value in metrics.items():
        if isinstance(value, dict):
            flat.update(_flatten(value, prefix + key + "."))
        else:
            flat[prefix + key] = value
    return flat


def sweep(scene, grid, seeds, cycles, futures, client=None):
    """Runs every combination of `grid` with every seed of `seeds` and returns a
    pandas DataFrame, one row per run in the order of the combinations, then seeds.

    `scene`: a built-in scene's name or a scene file. `futures`: passes per cycle
    (fixed, so that each run is reproducible). `client`: a dask.distributed Client
    of any scheduler (many machines); by default a local cluster of this machine's
    cores, one process per core. Each run gives what it gives alone."""
    import pandas

    if int(cycles) < 0 or int(futures) < 1:
        raise ValueError("A sweep needs cycles >= 0 and futures >= 1.")
    seeds = [int(s) for s in seeds]
    if not seeds:
        raise ValueError("A sweep needs at least one seed.")
    tasks = [(c, s) for c in combinations(grid) for s in seeds]
    # A bad name or value fails here, before any worker starts.
    probe = _open(scene, seeds[0])
    for name, value in tasks[0][0].items():
        if name in SETTING_NAMES:
            probe.set_setting(name, value)
        else:
            probe.set_goal_strength(name, value)

    own = None
    if client is None:
        from dask.distributed import Client, LocalCluster

        own = LocalCluster(n_workers=os.cpu_count() or 1, threads_per_worker=1, processes=True)
        client = Client(own)
    try:
        futures_ = [
            client.submit(run_combination, scene, c, s, int(cycles), int(futures), pure=False) for c, s in tasks
        ]
        rows = client.gather(futures_)
    finally:
        if own is not None:
            client.close()
            own.close()
    return pandas.DataFrame(rows)
