"""A sweep on a local cluster of two worker processes gives each run's own results."""

import pandas
import pytest

import vorlanth


def test_sweep_on_two_workers_equals_each_run_alone():
    from dask.distributed import Client, LocalCluster

    grid = {"Get drops": [0.5, 3.0], "horizon": [2, 3]}
    seeds = [1, 2]
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        table = vorlanth.sweep("circle", grid, seeds, cycles=8, futures=6, client=client)
    serial = pandas.DataFrame([vorlanth.run_combination("circle", c, s, 8, 6)
                               for c in vorlanth.combinations(grid) for s in seeds])
    pandas.testing.assert_frame_equal(table, serial)
    assert len(table) == 8 and {"Get drops", "horizon", "seed", "survivors", "kinds.kart.distance"} <= set(table)
    # The grid's values reach the runs: two strengths give two outcomes.
    outcome = table.groupby("Get drops")[["distance", "energy", "kinds.kart.distance"]]
    by_strength = outcome.apply(lambda rows: tuple(rows.to_numpy().ravel()))
    assert by_strength[0.5] != by_strength[3.0]


def test_a_bad_grid_is_refused_before_any_worker_starts():
    with pytest.raises(ValueError, match="no values"):
        vorlanth.sweep("start", {"horizon": []}, [1], 1, 1)
    with pytest.raises(vorlanth.Error, match="no goal \"Get candy\""):
        vorlanth.sweep("start", {"Get candy": [1]}, [1], 1, 1)
    with pytest.raises(ValueError, match="futures"):
        vorlanth.sweep("start", {"horizon": [2]}, [1], 1, 0)
