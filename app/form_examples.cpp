// File > New and File > Examples: the built-in scenes the headless runner knows,
// each a new untitled world and one step of undo; and Help > "Keyboard
// shortcuts", listed from the menus' action table.

#include <QAction>
#include <QMenu>

#include "app/form_test2d.h"
#include "app/session.h"
#include "bench/scenes.h"

namespace vorlanth {

namespace {

// What each built-in scene shows, as the Examples menu names it; a scene the
// runner learns later is listed under its own name.
struct TExample {
  const char* Scene;
  const char* Caption;
};
constexpr TExample kExamples[] = {
    {"start", "Start: a rocket collecting drops"},
    {"circle", "Circle: 18 karts facing the centre"},
    {"asteroids", "Asteroids: a rocket, drops and 5 asteroids"},
};

QString ExampleCaption(const char* scene) {
  for (const TExample& example : kExamples)
    if (QLatin1String(example.Scene) == QLatin1String(scene)) return QString::fromLatin1(example.Caption);
  return QString::fromLatin1(scene);
}

}  // namespace

void TFormTest2D::BuildExamplesMenu(QMenu* menu) {
  menu->setObjectName(QStringLiteral("ExamplesMenu"));
  for (const char* scene : BuiltinSceneNames) {
    QAction* item = menu->addAction(ExampleCaption(scene));
    item->setObjectName(QStringLiteral("Example_%1").arg(QString::fromLatin1(scene)));
    const QString name = QString::fromLatin1(scene);
    On(item, &QAction::triggered, [this, name] { ExampleClick(name); }, false);
  }
}

void TFormTest2D::NewClick() {
  session_->OpenBuiltinScene(QStringLiteral("start"), QStringLiteral("New"), [this] { return AskToSaveChanges(); });
}

void TFormTest2D::ExampleClick(const QString& scene) {
  session_->OpenBuiltinScene(scene, QStringLiteral("Example %1").arg(scene), [this] { return AskToSaveChanges(); });
}

void TFormTest2D::ShortcutsItemClick() { Dialogs.ShowShortcuts(shortcutRows_); }

}  // namespace vorlanth
