// The `vorlanth` Python module's compiled part: World over TWorldHandle.
// Every call that reaches a world lets go of the interpreter's lock first, so
// cycles run while other Python threads go on.

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <QJsonDocument>

#include <cstring>
#include <map>
#include <memory>

#include "core/error.h"
#include "python/world.h"

namespace py = pybind11;
using vorlanth::TWorldHandle;

namespace {

using Mouse = std::optional<std::pair<int32_t, int32_t>>;

// A world, with the controllers that take over players' controls.
struct TPyWorld {
  std::unique_ptr<TWorldHandle> Handle;
  std::map<int32_t, py::function> Controllers;  // by player number
};

// A film made while the `with` block runs.
struct TPyFilm {
  py::object World;  // keeps the world alive
  std::string Path;
  int32_t Fps;
};

TWorldHandle& HandleOf(TPyWorld& world) {
  if (!world.Handle) throw vorlanth::Error("The world was not opened: use World.open or World.builtin.");
  return *world.Handle;
}

py::object Json(const QJsonObject& object) {
  const std::string text = QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
  return py::module_::import("json").attr("loads")(text);
}

py::dict Players(TPyWorld& world) {
  std::vector<vorlanth::TPlayerRow> rows;
  {
    py::gil_scoped_release release;
    rows = HandleOf(world).Players();
  }
  const auto n = static_cast<py::ssize_t>(rows.size());
  size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.Controls.size());
  py::array_t<double> x(n), y(n), heading(n), speed(n), health(n), energy(n);
  py::array_t<double> controls({n, static_cast<py::ssize_t>(width)});
  py::list kind, names;
  auto c = controls.mutable_unchecked<2>();
  for (py::ssize_t i = 0; i < n; ++i) {
    const auto& row = rows[static_cast<size_t>(i)];
    kind.append(row.Kind);
    names.append(py::cast(row.ControlNames));
    x.mutable_at(i) = row.X;
    y.mutable_at(i) = row.Y;
    heading.mutable_at(i) = row.Heading;
    speed.mutable_at(i) = row.Speed;
    health.mutable_at(i) = row.Health;
    energy.mutable_at(i) = row.Energy;
    for (size_t k = 0; k < width; ++k)
      c(i, static_cast<py::ssize_t>(k)) = k < row.Controls.size() ? row.Controls[k] : std::nan("");
  }
  py::dict out;
  out["kind"] = py::module_::import("numpy").attr("array")(kind, py::arg("dtype") = "U8");
  out["x"] = x;
  out["y"] = y;
  out["heading"] = heading;
  out["speed"] = speed;
  out["health"] = health;
  out["energy"] = energy;
  out["controls"] = controls;
  out["control_names"] = names;
  return out;
}

py::array_t<uint8_t> Frame(TPyWorld& world) {
  QImage image;
  {
    py::gil_scoped_release release;
    image = HandleOf(world).Frame();
  }
  const auto h = static_cast<py::ssize_t>(image.height());
  const auto w = static_cast<py::ssize_t>(image.width());
  py::array_t<uint8_t> pixels({h, w, static_cast<py::ssize_t>(3)});
  auto* out = pixels.mutable_data();
  for (py::ssize_t row = 0; row < h; ++row)
    std::memcpy(out + row * w * 3, image.constScanLine(static_cast<int>(row)), static_cast<size_t>(w * 3));
  return pixels;
}

void Run(py::object self, int64_t cycles, std::optional<int32_t> futures, std::optional<int32_t> threads) {
  TPyWorld& world = self.cast<TPyWorld&>();
  TWorldHandle& handle = HandleOf(world);
  // Between cycles, on this thread, which holds the world: a Ctrl-C stops the run
  // there, and the controllers' policies run under the interpreter's lock and set
  // the controls through the handle.
  const std::function<void()> beforeCycle = [&world, &handle, self]() {
    py::gil_scoped_acquire acquire;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    // A copy: a policy may hand over or release players as it goes.
    const std::map<int32_t, py::function> controllers = world.Controllers;
    for (const auto& [player, policy] : controllers) {
      const py::object chosen = policy(self, player);
      std::vector<double> controls;
      try {
        controls = chosen.cast<std::vector<double>>();
      } catch (const py::cast_error&) {
        throw vorlanth::Error("The controller of player " + std::to_string(player) + " returned " +
                              py::repr(chosen).cast<std::string>() + ", not a sequence of numbers.");
      }
      if (world.Controllers.count(player) != 0) handle.SetControls(player, controls);
    }
  };
  py::gil_scoped_release release;
  if (futures) handle.SetSetting("futures", *futures);
  if (threads) handle.SetSetting("threads", *threads);
  handle.Run(cycles, beforeCycle);
}

std::unique_ptr<TPyWorld> Wrap(std::unique_ptr<TWorldHandle> handle, const Mouse& mouse, bool draw) {
  handle->SetMouse(mouse);
  handle->SetDrawing(draw);
  auto world = std::make_unique<TPyWorld>();
  world->Handle = std::move(handle);
  return world;
}

}  // namespace

PYBIND11_MODULE(_vorlanth, m) {
  m.doc() = "Vorlanth's worlds, driven from Python (see the vorlanth package).";
  static py::exception<vorlanth::Error> error(m, "Error", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const vorlanth::Error& e) {
      PyErr_SetString(error.ptr(), e.what());
    }
  });

  py::class_<TPyFilm>(m, "Film", "A film of the cycles run inside a `with` block (World.film).")
      .def("__enter__",
           [](TPyFilm& film) {
             TPyWorld& world = film.World.cast<TPyWorld&>();
             py::gil_scoped_release release;
             HandleOf(world).StartFilm(film.Path, film.Fps);
             return &film;
           }, py::return_value_policy::reference)
      .def("__exit__", [](TPyFilm& film, py::object, py::object, py::object) {
        TPyWorld& world = film.World.cast<TPyWorld&>();
        py::gil_scoped_release release;
        HandleOf(world).FinishFilm();
        return false;
      });

  py::class_<TPyWorld>(m, "World",
                       "A Vorlanth world: a circuit, a team of players with goals, and its cycles.\n\n"
                       "Open one with World.open(path) or World.builtin(name).")
      .def_static(
          "open",
          [](const std::string& path, std::optional<uint64_t> seed, Mouse mouse, bool draw) {
            std::unique_ptr<TWorldHandle> handle;
            {
              py::gil_scoped_release release;
              handle = TWorldHandle::Open(path, seed);
            }
            return Wrap(std::move(handle), mouse, draw);
          },
          py::arg("path"), py::arg("seed") = py::none(), py::arg("mouse") = py::none(), py::arg("draw") = false,
          "Opens a scene file (.vorlanth.json). It goes on with its own random stream, or with a fresh one\n"
          "seeded by `seed`. `mouse` is a fixed cursor (x, y) for mouse goals; `draw` makes cycles draw the\n"
          "picture, for frame().")
      .def_static(
          "builtin",
          [](const std::string& name, uint64_t seed, const std::string& circuit, int32_t horizon,
             int32_t minFutures, bool collisions, std::vector<std::string> goals, int32_t addKarts,
             int32_t addRockets, int32_t addAsteroids, Mouse mouse, bool draw) {
            vorlanth::TBuiltinWorld options;
            options.Scene = name;
            options.Seed = seed;
            options.Circuit = circuit;
            options.HorizonSeconds = horizon;
            options.MinFutures = minFutures;
            options.Collisions = collisions;
            options.Goals = std::move(goals);
            options.ExtraKarts = addKarts;
            options.ExtraRockets = addRockets;
            options.ExtraAsteroids = addAsteroids;
            std::unique_ptr<TWorldHandle> handle;
            {
              py::gil_scoped_release release;
              handle = TWorldHandle::Builtin(options);
            }
            return Wrap(std::move(handle), mouse, draw);
          },
          py::arg("name") = "start", py::arg("seed") = 0, py::arg("circuit") = "", py::arg("horizon") = 10,
          py::arg("min_futures") = 100, py::arg("collisions") = true,
          py::arg("goals") = std::vector<std::string>{}, py::arg("add_karts") = 0, py::arg("add_rockets") = 0,
          py::arg("add_asteroids") = 0, py::arg("mouse") = py::none(), py::arg("draw") = false,
          "Builds a built-in scene as the runner does: \"start\" (the window's start-up), \"circle\" (18\n"
          "karts) or \"asteroids\", seeded by `seed`. The other arguments are the runner's flags: a circuit\n"
          "(BMP), the horizon in seconds, the least futures per cycle, collisions, team goals by name\n"
          "(speeding, energy, health, drops, storage, avoid, follow-mouse, avoid-mouse, burnout) and players\n"
          "added after the scene.")
      .def("run", &Run, py::arg("cycles"), py::arg("futures") = py::none(), py::arg("threads") = py::none(),
           "Runs `cycles` cycles on this thread, without holding the interpreter's lock. `futures`: exactly\n"
           "this many passes per cycle (0: by the clock, as the window); `threads`: threads of the passes.\n"
           "Both stay set. The results depend on neither the threads nor other worlds running meanwhile.")
      .def_property_readonly("players", &Players,
                             "The players after the last cycle, as numpy arrays by field: kind, x, y (pixels),\n"
                             "heading (radians), speed (pixels/s), health, energy, controls (players x controls,\n"
                             "NaN where a player has fewer) and control_names.")
      .def("frame", &Frame,
           "The picture the last cycle drew, as the runner draws its frames: uint8, height x width x 3 (RGB).\n"
           "Needs drawing on (draw=True) before the cycle.")
      .def(
          "save", [](TPyWorld& w, const std::string& path) { HandleOf(w).Save(path); }, py::arg("path"),
          py::call_guard<py::gil_scoped_release>(),
          "Saves the scene (.vorlanth.json): reopened, it goes on exactly as this world.")
      .def(
          "save_journal", [](TPyWorld& w, const std::string& path) { return HandleOf(w).SaveJournal(path); },
          py::arg("path"), py::call_guard<py::gil_scoped_release>(),
          "Saves the command journal (.vorlanth-journal.json) since the world was opened or built: every goal\n"
          "strength and setting set, and the passes each cycle ran, with the scene it starts from beside it\n"
          "(run.start.vorlanth.json), whose path it returns. `vorlanth-sim --scene <start> --commands <journal>`\n"
          "replays them to this world. Controls set by a script (control) are not in it.")
      .def(
          "metrics", [](TPyWorld& w) {
            QJsonObject metrics;
            {
              py::gil_scoped_release release;
              metrics = HandleOf(w).Metrics();
            }
            return Json(metrics);
          },
          "The league's behaviour metrics since the world was opened (a dict, as the runner's summary).")
      .def_property_readonly(
          "settings",
          [](TPyWorld& w) {
            py::dict settings;
            for (const std::string& name : TWorldHandle::SettingNames()) {
              double value = 0;
              {
                py::gil_scoped_release release;
                value = HandleOf(w).Setting(name);
              }
              if (name == "collisions" || name == "evolution") settings[py::str(name)] = value != 0;
              else if (name == "friction" || name == "side_friction") settings[py::str(name)] = value;
              else settings[py::str(name)] = static_cast<int64_t>(value);
            }
            return settings;
          },
          "The settings by name: horizon (s), min_futures, futures, threads, friction, side_friction,\n"
          "collisions, evolution.")
      .def(
          "set_setting",
          [](TPyWorld& w, const std::string& name, double value) { HandleOf(w).SetSetting(name, value); },
          py::arg("name"), py::arg("value"), py::call_guard<py::gil_scoped_release>(),
          "Sets a setting by name; a bad name or value raises vorlanth.Error and changes nothing.")
      .def(
          "goals",
          [](TPyWorld& w, std::optional<int32_t> player) {
            std::vector<vorlanth::TGoalRow> rows;
            {
              py::gil_scoped_release release;
              rows = HandleOf(w).Goals(player.value_or(-1));
            }
            py::dict goals;
            for (const auto& row : rows) goals[py::str(row.Name)] = row.Strength;
            return goals;
          },
          py::arg("player") = py::none(),
          "The strengths of the team's goals by name (a player's own goals when `player` is given); a\n"
          "second goal of a name is \"name #2\".")
      .def(
          "set_goal_strength",
          [](TPyWorld& w, const std::string& name, double strength, std::optional<int32_t> player) {
            HandleOf(w).SetGoalStrength(name, strength, player.value_or(-1));
          },
          py::arg("name"), py::arg("strength"), py::arg("player") = py::none(),
          py::call_guard<py::gil_scoped_release>(),
          "Sets a team goal's strength by name (a player's own goal when `player` is given), within 0 and\n"
          "the goal's largest strength.")
      .def(
          "control",
          [](TPyWorld& w, int32_t player, py::function policy) {
            size_t players = 0;
            {
              py::gil_scoped_release release;
              players = HandleOf(w).Players().size();
            }
            if (player < 0 || static_cast<size_t>(player) >= players)
              throw vorlanth::Error("No player " + std::to_string(player) + " to control: the world has " +
                                    std::to_string(players) + " players, numbered from 0.");
            w.Controllers[player] = std::move(policy);
          },
          py::arg("player"), py::arg("policy"),
          "Hands the player's controls to policy(world, player), called before every cycle: it returns the\n"
          "player's controls (as players['controls'] lists them). The player goes on running its futures\n"
          "but no longer decides.")
      .def(
          "release",
          [](TPyWorld& w, int32_t player) {
            {
              py::gil_scoped_release release;
              HandleOf(w).ReleaseControls(player);
            }
            w.Controllers.erase(player);
          },
          py::arg("player"), "Gives the player its own decisions back.")
      .def("film", [](py::object self, const std::string& path, int32_t fps) { return TPyFilm{self, path, fps}; },
           py::arg("path"), py::arg("fps") = 10,
           "A film of the cycles run inside `with world.film(path):` (.mp4: H.264, .webm: VP9).")
      .def_property(
          "draw", [](TPyWorld& w) {
            py::gil_scoped_release release;
            return HandleOf(w).Drawing();
          },
          [](TPyWorld& w, bool on) {
            py::gil_scoped_release release;
            HandleOf(w).SetDrawing(on);
          },
          "Whether cycles draw the picture (for frame() and films).")
      .def_property_readonly(
          "cycle", [](TPyWorld& w) {
            py::gil_scoped_release release;
            return HandleOf(w).CycleNumber();
          },
          "The world's cycle count (a scene goes on from its own).");
}
