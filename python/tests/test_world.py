"""The module against the runner: the same world, the same cycles, the same bytes."""

import csv
import threading

import numpy as np
import pytest

import vorlanth
from conftest import runner_metrics

FUTURES = 8


def read_stats(path, cycle):
    with open(path, newline="") as f:
        return [row for row in csv.DictReader(f) if int(row["cycle"]) == cycle]


def test_opened_run_and_saved_as_the_runner(sim, tmp_path):
    start = tmp_path / "start.vorlanth.json"
    sim("--scene", "circle", "--seed", 7, "--horizon", 3, "--futures", FUTURES, "--cycles", 3,
        "--threads", 1, "--save-scene", start)
    summary = sim("--scene", start, "--futures", FUTURES, "--cycles", 4, "--threads", 2,
                  "--save-scene", tmp_path / "runner.vorlanth.json", "--stats", tmp_path / "runner.csv")

    built = vorlanth.World.builtin("circle", seed=7, horizon=3)
    built.run(3, futures=FUTURES)
    built.save(str(tmp_path / "built.vorlanth.json"))
    assert (tmp_path / "built.vorlanth.json").read_bytes() == start.read_bytes()

    world = vorlanth.World.open(str(start))
    world.run(4, futures=FUTURES, threads=1)
    world.save(str(tmp_path / "module.vorlanth.json"))
    assert (tmp_path / "module.vorlanth.json").read_bytes() == (tmp_path / "runner.vorlanth.json").read_bytes()
    assert world.cycle == 7
    assert world.metrics() == runner_metrics(summary)

    # The arrays against the runner's statistics of the last cycle (printed to 6 digits).
    rows = read_stats(tmp_path / "runner.csv", 7)
    players = world.players
    assert len(rows) == len(players["x"]) == 18
    assert list(players["kind"]) == [r["kind"] for r in rows]
    for field, column in (("x", "x"), ("y", "y"), ("heading", "angle"), ("health", "health"), ("energy", "energy")):
        np.testing.assert_allclose(players[field], [float(r[column]) for r in rows], rtol=1e-5, atol=1e-9)
    for i, r in enumerate(rows):
        controls = [float(v) for v in r["controls"].split()]
        np.testing.assert_allclose(players["controls"][i, : len(controls)], controls, rtol=1e-5, atol=1e-9)
        assert np.isnan(players["controls"][i, len(controls):]).all()
    assert (players["speed"] >= 0).all() and (players["speed"] > 0).any()


def test_frame_is_the_runners_frame(sim, tmp_path):
    from PIL import Image

    sim("--scene", "start", "--seed", 3, "--futures", FUTURES, "--cycles", 2, "--frames", tmp_path / "f")
    world = vorlanth.World.builtin("start", seed=3, draw=True)
    world.run(2, futures=FUTURES)
    frame = world.frame()
    assert frame.dtype == np.uint8 and frame.shape == (600, 800, 3)
    expected = np.asarray(Image.open(tmp_path / "f_00002.bmp").convert("RGB"))
    np.testing.assert_array_equal(frame, expected)


def test_goals_and_settings_by_name_change_the_run():
    def run(strength, friction):
        world = vorlanth.World.builtin("circle", seed=5, horizon=3)
        world.set_goal_strength("Get drops", strength)
        world.set_setting("friction", friction)
        assert world.goals()["Get drops"] == strength and world.settings["friction"] == friction
        world.run(3, futures=FUTURES)
        return world.players["x"]

    base = run(1.0, 0.008)
    assert np.array_equal(base, run(1.0, 0.008))
    assert not np.array_equal(base, run(4.0, 0.008))
    assert not np.array_equal(base, run(1.0, 0.05))


def test_an_external_controller_drives_a_kart_straight():
    world = vorlanth.World.builtin("start", seed=11, horizon=3, add_karts=1, collisions=False)
    kart = list(world.players["kind"]).index("kart")
    names = world.players["control_names"][kart]
    wanted = [20.0 if n == "PUSHPOWER" else 0.0 for n in names]
    calls = []

    def straight(w, player):
        calls.append(player)
        return wanted

    world.control(kart, straight)
    start = world.players
    x0, y0, heading = start["x"][kart], start["y"][kart], start["heading"][kart]
    path = []
    for _ in range(12):
        world.run(1, futures=FUTURES)
        p = world.players
        path.append((p["x"][kart], p["y"][kart], p["heading"][kart]))
        np.testing.assert_array_equal(p["controls"][kart, : len(wanted)], wanted)
    assert calls == [kart] * 12
    xs, ys, headings = map(np.array, zip(*path))
    np.testing.assert_allclose(headings, heading, atol=1e-12)
    travelled = np.hypot(xs - x0, ys - y0)
    assert travelled[-1] > 5 and (np.diff(travelled) >= 0).all()
    # Every point lies on the line from the start along the heading.
    across = -(xs - x0) * np.sin(heading) + (ys - y0) * np.cos(heading)
    np.testing.assert_allclose(across, 0, atol=1e-6)

    # Released, the kart decides for itself again.
    world.release(kart)
    world.run(5, futures=FUTURES)
    assert world.players["controls"][kart, 0] != wanted[0] or world.players["controls"][kart, 1] != wanted[1]


def test_two_threads_give_what_each_world_gives_alone(tmp_path):
    def make(seed):
        return vorlanth.World.builtin("circle", seed=seed, horizon=3)

    def finish(world, name):
        world.run(4, futures=FUTURES, threads=2)
        world.save(str(tmp_path / name))
        return (tmp_path / name).read_bytes(), world.metrics()

    alone = [finish(make(seed), f"alone{seed}.vorlanth.json") for seed in (1, 2)]
    results = [None, None]
    worlds = [make(1), make(2)]
    barrier = threading.Barrier(2)

    def work(i):
        barrier.wait()
        results[i] = finish(worlds[i], f"together{i + 1}.vorlanth.json")

    threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == alone
    assert alone[0] != alone[1]


def test_bad_arguments_raise_with_the_reason_and_change_nothing(tmp_path):
    with pytest.raises(vorlanth.Error, match="nowhere.vorlanth.json"):
        vorlanth.World.open(str(tmp_path / "nowhere.vorlanth.json"))
    broken = tmp_path / "broken.vorlanth.json"
    broken.write_text("{\"format\": 2,")
    with pytest.raises(vorlanth.Error, match="broken.vorlanth.json"):
        vorlanth.World.open(str(broken))
    with pytest.raises(vorlanth.Error, match="Unknown scene \"ring\""):
        vorlanth.World.builtin("ring")
    with pytest.raises(vorlanth.Error, match="Unknown goal \"fly\""):
        vorlanth.World.builtin(goals=["fly"])
    with pytest.raises(vorlanth.Error, match="horizon"):
        vorlanth.World.builtin(horizon=0)

    world = vorlanth.World.builtin("start", seed=2, horizon=2)
    before = (world.goals(), world.settings)
    cases = [
        (lambda: world.run(-1), "cycles"),
        (lambda: world.run(1, futures=-3), "futures"),
        (lambda: world.run(1, threads=0), "threads"),
        (lambda: world.set_setting("gravity", 1), "Unknown setting \"gravity\""),
        (lambda: world.set_setting("horizon", 2.5), "whole number"),
        (lambda: world.set_setting("lanes", 17), "lanes"),
        (lambda: world.set_setting("friction", float("nan")), "friction"),
        (lambda: world.set_setting("collisions", 3), "true or false"),
        (lambda: world.set_goal_strength("Get sweets", 1), "no goal \"Get sweets\"; it has \"Get drops\""),
        (lambda: world.set_goal_strength("Get drops", -1), "Bad strength"),
        (lambda: world.set_goal_strength("Get drops", float("inf")), "Bad strength"),
        (lambda: world.set_goal_strength("Energy", 1, player=7), "No player 7"),
        (lambda: world.control(5, lambda w, p: [0]), "No player 5"),
        (lambda: world.frame(), "draw"),
        (lambda: world.save(str(tmp_path / "scene.json")), ".vorlanth.json"),
        (lambda: world.save(str(tmp_path / "no" / "where.vorlanth.json")), "where.vorlanth.json"),
        (lambda: world.film(str(tmp_path / "film.mp4"), fps=0).__enter__(), "frame rate"),
    ]
    for call, reason in cases:
        with pytest.raises(vorlanth.Error, match=reason):
            call()
    assert (world.goals(), world.settings) == before
    assert world.cycle == 0

    # A controller that fails or answers nonsense stops the run before its cycle.
    world.control(0, lambda w, p: "fast")
    with pytest.raises(vorlanth.Error, match="not a sequence of numbers"):
        world.run(3)
    world.control(0, lambda w, p: [1e9] * len(w.players["control_names"][0]))
    with pytest.raises(vorlanth.Error, match="Bad value"):
        world.run(3)
    world.control(0, lambda w, p: 1 / 0)
    with pytest.raises(ZeroDivisionError):
        world.run(3)
    assert world.cycle == 0
    # A policy may let go of its player as it answers: the player then decides.
    world.control(0, lambda w, p: w.release(p) or [0.0] * len(w.players["control_names"][0]))
    world.run(2, futures=FUTURES)
    assert world.cycle == 2 and world.players["controls"][0].any()


def test_film_through_a_context_manager(tmp_path):
    world = vorlanth.World.builtin("start", seed=4, horizon=2)
    with world.film(str(tmp_path / "run.mp4")):
        world.run(3, futures=4)
    assert (tmp_path / "run.mp4").stat().st_size > 0
    assert world.frame().shape == (600, 800, 3)


def test_journal_of_goals_and_settings_replays_in_the_runner(sim, tmp_path):
    world = vorlanth.World.builtin("circle", seed=5, horizon=3)
    world.run(2, futures=FUTURES)
    world.set_goal_strength("Get drops", 2.5)
    world.set_setting("friction", 0.3)
    world.run(2, futures=FUTURES)
    world.set_setting("min_futures", 4)
    world.run(1, futures=0)  # by the clock: the journal keeps the passes the cycle ran
    world.save(str(tmp_path / "module.vorlanth.json"))
    start = world.save_journal(str(tmp_path / "run.vorlanth-journal.json"))
    assert start.endswith("run.start.vorlanth.json")
    sim("--scene", start, "--commands", tmp_path / "run.vorlanth-journal.json",
        "--save-scene", tmp_path / "replayed.vorlanth.json")
    assert (tmp_path / "replayed.vorlanth.json").read_bytes() == (tmp_path / "module.vorlanth.json").read_bytes()
