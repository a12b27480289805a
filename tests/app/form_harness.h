#pragma once
// What the window's robustness tests share: the window with its modal dialogs
// replaced by fakes, a fake clock that makes every pass overrun the budget (so a
// cycle runs exactly MinFutures passes), runs of a given number of cycles with
// an action inside each, circuit files good and bad, and the checks of the
// model's consistency that must hold after any command.

#include <QAction>
#include <QByteArray>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QSlider>
#include <QString>
#include <QTemporaryDir>
#include <QStringList>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/crash_report.h"
#include "app/form_test2d.h"
#include "app/goal_box.h"
#include "app/plots_dock.h"
#include "app/session.h"
#include "app/status_line.h"
#include "app/widgets.h"
#include "core/goal.h"
#include "find_control.h"
#include "run_cycles.h"
#include "core/player.h"
#include "core/team.h"
#include "goals/avoid_goal.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "goals/storage_goal.h"
#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth::testing {

// The window and what its fake dialogs answer.
struct TFormHarness {
  std::unique_ptr<TFormTest2D> Form;
  QStringList Errors;               // what the error dialogs were asked to show (both kinds)
  QStringList Reports;              // what the crash report was asked to show
  QStringList FileProblems;         // what the plain message about a file was asked to show
  QString OpenFileAnswer;           // what the open dialog answers ("" = cancel)
  QString OpenFolderAsked;          // the folder the open dialog was last shown
  QString SaveFileAnswer;           // what the save dialog answers
  std::optional<QColor> ColorAnswer;  // what the colour dialog answers (none = cancel)
  QString SceneAnswer;                // what "Save scene as…" answers ("" = cancel)
  TSaveAnswer SaveAnswer = TSaveAnswer::Discard;  // what the unsaved-changes question answers
  int Questions = 0;                  // how often it was asked
  QTemporaryDir SettingsDir;          // where the windows remember their recent files
  int64_t ClockMs = 0;

  // A new window with quick cycles: one pass of ten sub-steps.
  void Open() {
    Close();
    TFormDialogs dialogs;
    dialogs.ReportError = [this](const TCrashReport& report) {
      Errors << report.Message;
      Reports << report.Message;
    };
    dialogs.ShowFileProblem = [this](const QString&, const QString& reason) {
      Errors << reason;
      FileProblems << reason;
    };
    dialogs.OpenPicture = [this](const QString& folder) {
      OpenFolderAsked = folder;
      return OpenFileAnswer;
    };
    dialogs.SaveFile = [this](const QString&) { return SaveFileAnswer; };
    dialogs.ChooseColor = [this](const QColor&) { return ColorAnswer; };
    dialogs.SaveScene = [this](const QString&) { return SceneAnswer; };
    dialogs.AskSave = [this](const QString&) {
      ++Questions;
      return SaveAnswer;
    };
    Form = std::make_unique<TFormTest2D>(dialogs);
    Form->SettingsFile = SettingsDir.filePath(QStringLiteral("settings.ini"));  // never the user's
    Form->show();
    Find<QSlider>(*Form, "EdMinFutures")->setValue(1);
    Find<QSlider>(*Form, "EdSeconds")->setValue(1);
    Form->Track().ClockMs = [this] { return ClockMs += 1000; };  // every pass overruns
    Form->Session().SetModified(false);  // these quick settings are where the tests start from
  }
  void Close() { Form.reset(); }

  TTrack2D& Track() const { return Form->Track(); }
  TTeam& Team() const { return *Form->Session().CurrentTeam(); }

  // Loads the file through the File menu, as the user does.
  void LoadCircuit(const QString& path) {
    OpenFileAnswer = path;
    Find<QAction>(*Form, "Loadcircuit800x600BMP1")->trigger();
  }

  // Runs the loop until `cycles` cycles have ended, then clicks Pause between
  // that cycle and the next; `during`(n) runs after cycle n first, while the run
  // goes on (its changes of the world wait for the next drawing step, or take
  // effect once the run has stopped). Returns the number of cycles seen.
  int RunCycles(int cycles, const std::function<void(int)>& during = {}) { return RunCyclesOf(*Form, cycles, during); }

};

// ---- Circuit files -----------------------------------------------------------

// A white field in a black frame, with a black block in the middle.
inline QImage FramedCircuit(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  const int frame = std::max(1, std::min(width, height) / 50);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool border = x < frame || y < frame || x >= width - frame || y >= height - frame;
      const bool block = std::abs(x - width / 2) < width / 10 && std::abs(y - height / 2) < height / 10;
      if (border || block) image.setPixel(x, y, qRgb(0, 0, 0));
    }
  return image;
}

inline QImage Filled(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A BMP header written by hand: a 24-bit picture of the given size with no pixel rows.
inline QByteArray BmpHeaderOnly(int32_t width, int32_t height) {
  QByteArray bytes(54, '\0');
  auto put32 = [&bytes](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&bytes](int at, uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, 54);                            // file size
  put32(10, 54);                           // offset of the pixels
  put32(14, 40);                           // BITMAPINFOHEADER
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  put16(26, 1);                            // planes
  put16(28, 24);                           // bits per pixel
  return bytes;
}

// ---- Consistency of the model seen through the window --------------------------

// What must hold after every command and between cycles. Returns the first
// violation found, or an empty string.
inline QString CheckConsistency(TFormTest2D& form) {
  TTrack2D& track = form.Track();
  TTeam* team = form.Session().CurrentTeam();
  if (!team) return QStringLiteral("the window has no team");
  if (track.TeamCount() != 1 || track.GetTeam(0) != team)
    return QStringLiteral("the track's teams are not the window's one team");

  // The team's players and the track's list: the same players in the same order.
  const int32_t n = team->PlayerCount();
  if (track.PlayerCount() != n)
    return QStringLiteral("the track lists %1 players, the team holds %2").arg(track.PlayerCount()).arg(n);
  for (int32_t i = 0; i < n; ++i) {
    TPlayer* player = team->GetPlayer(i);
    if (track.GetPlayer(i) != player) return QStringLiteral("player %1 differs between team and track").arg(i);
    if (player->Team != team) return QStringLiteral("player %1 does not know its team").arg(i);
  }

  // The selection.
  if (n > 0 && !team->IsMember(team->Selected))
    return QStringLiteral("the selected player is not a member of the team");
  if (n == 0 && team->Selected) return QStringLiteral("a player is selected in an empty team");

  // The list of players and the goal panel, once no command waits for a drawing
  // step (until then they show what the user asked for).
  if (form.Session().WaitingCommands() == 0) {
    if (Find<TPlayerList>(form, "EdPlayerId")->count() != n)
      return QStringLiteral("EdPlayerId lists %1 items for %2 players").arg(Find<TPlayerList>(form, "EdPlayerId")->count()).arg(n);
    for (int32_t i = 0; i < n; ++i)
      if (Find<TPlayerList>(form, "EdPlayerId")->itemText(i) != QStringLiteral("Player #%1").arg(i + 1))
        return QStringLiteral("EdPlayerId item %1 reads \"%2\"").arg(i).arg(Find<TPlayerList>(form, "EdPlayerId")->itemText(i));
    if (n > 0 && Find<TPlayerList>(form, "EdPlayerId")->currentIndex() != team->IndexOf(team->Selected))
      return QStringLiteral("EdPlayerId shows item %1, the selected player is %2")
          .arg(Find<TPlayerList>(form, "EdPlayerId")->currentIndex())
          .arg(team->IndexOf(team->Selected));
    // The goal panel: one box per goal of the selected player and of the team.
    const int32_t goals = (team->Selected ? team->Selected->Goals->GoalCount() : 0) + team->Goals->GoalCount();
    const auto boxes = Find<QWidget>(form, "EdGoals")->findChildren<TGoalBox*>(Qt::FindDirectChildrenOnly);
    if (boxes.size() != goals)
      return QStringLiteral("the goal panel shows %1 boxes for %2 goals").arg(boxes.size()).arg(goals);
  }

  // Goal sets and their owners; goals that remember a player remember a member.
  if (team->Goals->Owner.Team != team || team->Goals->Owner.Player)
    return QStringLiteral("the team's goal set is not owned by the team");
  auto checkGoals = [&](TGoalSet& set, const QString& whose) -> QString {
    for (int32_t g = 0; g < set.GoalCount(); ++g) {
      TGoal& goal = set.GetGoal(g);
      const TPlayer* last = nullptr;
      if (auto* drops = dynamic_cast<TGoal2DSweets*>(&goal)) last = drops->GetLastPlayer();
      if (auto* storage = dynamic_cast<TGoal2DStorage*>(&goal)) last = storage->GetLastPlayer();
      if (auto* mouse = dynamic_cast<TGoalMouse*>(&goal)) last = mouse->GetLastPlayer();
      if (last && !team->IsMember(last))
        return QStringLiteral("goal \"%1\" of %2 remembers a player that is not a member")
            .arg(QString::fromStdString(goal.Name), whose);
      if (auto* avoid = dynamic_cast<TGoal2DTeamAway*>(&goal); avoid && avoid->GetAvoidTeam() != team)
        return QStringLiteral("goal \"Avoid others\" of %1 avoids another team").arg(whose);
      if (!std::isfinite(goal.Strength) || goal.Strength < 0 || goal.Strength > goal.MaxStrength)
        return QStringLiteral("goal \"%1\" of %2 has strength %3")
            .arg(QString::fromStdString(goal.Name), whose)
            .arg(goal.Strength);
    }
    return QString();
  };
  if (QString bad = checkGoals(*team->Goals, QStringLiteral("the team")); !bad.isEmpty()) return bad;

  for (int32_t i = 0; i < n; ++i) {
    TPlayer* player = team->GetPlayer(i);
    const QString whose = QStringLiteral("player %1").arg(i);
    if (player->Goals->Owner.Player != player || player->Goals->Owner.Team)
      return QStringLiteral("the goal set of %1 is not owned by it").arg(whose);
    if (QString bad = checkGoals(*player->Goals, whose); !bad.isEmpty()) return bad;
    if (player->FutureMode)
      return QStringLiteral("%1 is still in future mode between cycles").arg(whose);

    // The present state: finite parameters, health and energy within 0..100.
    const TState& present = *player->Present;
    for (const TStateParam& p : present.Params) {
      if (!std::isfinite(p.Value) || !std::isfinite(p.StartValue) || !std::isfinite(p.KeptValue))
        return QStringLiteral("parameter %1 of %2 is not finite (%3)")
            .arg(QString::fromStdString(p.Name()), whose)
            .arg(p.Value);
    }
    const double health = present.GetParam(player->HealthIndex).Value;
    const double energy = present.GetParam(player->EnergyIndex).Value;
    if (!(health >= 0 && health <= 100)) return QStringLiteral("%1 has health %2").arg(whose).arg(health);
    if (!(energy >= 0 && energy <= 100)) return QStringLiteral("%1 has energy %2").arg(whose).arg(energy);
  }
  return QString();
}

}  // namespace vorlanth::testing
