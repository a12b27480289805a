// Undo and redo: every command that changes the world is one step of the Edit
// menu's stack, kept as the world's scene before and after it. Undoing reads the
// scene before back into a new world and swaps it in, as opening a scene does
// (after the cycle in progress); redoing reads the scene after. Cycles are no
// command: undo goes back to the world as it was just before the command.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

#include "app/form_test2d.h"
#include "bench/population.h"
#include "core/random.h"
#include "core/team.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

// Where a snapshot names its circuit from: the root, so a circuit file is kept
// by its absolute path whatever folder the scene is saved in later.
std::string SnapshotAnchor() { return (QDir::rootPath() + QStringLiteral("undo.vorlanth.json")).toStdString(); }

// One step: the world's scene before and after a command.
class TWorldCommand : public QUndoCommand {
 public:
  static constexpr int DragId = 1;  // steps of one drag merge into one

  TWorldCommand(TFormTest2D& form, const QString& name, QByteArray before, QByteArray after, int gesture)
      : QUndoCommand(name), form_(form), before_(std::move(before)), after_(std::move(after)), gesture_(gesture) {}

  void undo() override { form_.ApplySnapshot(before_, text()); }
  void redo() override {
    // Pushing a command redoes it: it is done already.
    if (std::exchange(done_, false)) return;
    form_.ApplySnapshot(after_, text());
  }
  int id() const override { return gesture_ >= 0 ? DragId : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const TWorldCommand*>(other);
    if (next->gesture_ != gesture_ || next->text() != text()) return false;
    after_ = next->after_;
    return true;
  }

 private:
  TFormTest2D& form_;
  QByteArray before_;
  QByteArray after_;
  int gesture_;  // the mouse press the command came in, or -1
  bool done_ = true;
};

}  // namespace

void TFormTest2D::BuildEditMenu() {
  undo_ = new QUndoStack(this);
  undo_->setUndoLimit(UndoLimit);
  QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
  UndoItem = undo_->createUndoAction(this, QStringLiteral("Undo"));
  RedoItem = undo_->createRedoAction(this, QStringLiteral("Redo"));
  UndoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  RedoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  UndoItem->setObjectName(QStringLiteral("UndoItem"));
  RedoItem->setObjectName(QStringLiteral("RedoItem"));
  edit->addAction(UndoItem);
  edit->addAction(RedoItem);
}

QByteArray TFormTest2D::WorldSnapshot() const { return SceneDocument(*track_, circuit_, SnapshotAnchor()); }

QString TFormTest2D::UndoName(const QString& where) {
  // A control's caption when it has one ("Add a circle of karts"), else its name.
  QString name = where;
  const qsizetype open = where.indexOf(QLatin1Char('"'));
  const qsizetype close = where.lastIndexOf(QLatin1Char('"'));
  if (open >= 0 && close > open) name = where.mid(open + 1, close - open - 1);
  name.remove(QLatin1Char('&'));
  if (const qsizetype details = name.indexOf(QStringLiteral(" (")); details > 0) name.truncate(details);
  return name;
}

void TFormTest2D::RecordCommand(const QString& where, const QByteArray& before) {
  QByteArray after;
  try {
    after = WorldSnapshot();
  } catch (...) {
    return;  // a world a scene cannot describe: this change cannot be undone
  }
  if (after == before) return;
  const int gesture = QApplication::mouseButtons() != Qt::NoButton ? gesture_ : -1;
  undo_->push(new TWorldCommand(*this, UndoName(where), before, after, gesture));
}

void TFormTest2D::ApplySnapshot(const QByteArray& document, const QString& name) {
  Handle(
      [this, document] {
        RunOutsideCycle([this, document] {
          restoringWorld_ = true;  // the command that restores is no step of its own
          // A failed read leaves the world and its random stream as they were.
          auto track = std::make_unique<TTrack2D>();
          auto team = std::make_unique<TTeam>();
          TSceneRead read = ReadSceneDocument(document, SnapshotAnchor(), *track, *team);
          const int32_t frame = FrameCounter;
          SwapInWorld(std::move(track), std::move(team), std::move(read));
          FrameCounter = frame;
        });
      },
      name);
}

}  // namespace vorlanth
