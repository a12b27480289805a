import json
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def sim():
    """Runs the headless runner built beside the module; returns its summary."""
    program = os.environ.get("VORLANTH_SIM")
    if not program:
        pytest.skip("VORLANTH_SIM names no runner (run the tests through ctest)")

    def run(*args):
        done = subprocess.run([program, *map(str, args)], capture_output=True, text=True, check=False)
        assert done.returncode == 0, done.stderr
        return json.loads(done.stdout.strip().splitlines()[-1])

    return run


# The summary's figures that depend on the clock or on how the runner was called.
RUNNER_ONLY = ("cycle_ms", "substeps_per_second", "threads", "lanes", "vector_lanes", "seed", "stopped_early", "name")


def runner_metrics(summary):
    return {k: v for k, v in summary.items() if k not in RUNNER_ONLY}
