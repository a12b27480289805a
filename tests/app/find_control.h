#pragma once
// Finding the window's controls by the names the form gives them.

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace vorlanth::testing {

// The control of type T named `name` under `root`; a missing one ends the test run.
template <typename T>
T* Find(const QObject& root, const char* name) {
  T* control = root.findChild<T*>(QString::fromLatin1(name));
  if (!control) qFatal("no control named %s of the expected type", name);
  return control;
}

}  // namespace vorlanth::testing
