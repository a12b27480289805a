#pragma once
// Runs the window's loop for a number of cycles, as a user would: Run, then Pause
// clicked between the last cycle and the next.

#include <QObject>
#include <QToolButton>

#include <functional>

#include "app/form_test2d.h"
#include "app/session.h"
#include "find_control.h"

namespace vorlanth::testing {

// Clicks Run and, after `cycles` cycles, Pause; `during`(n) runs after cycle n
// first, while the run goes on (its changes of the world wait for the next
// drawing step, or take effect once the run has stopped). Returns the number of
// cycles seen.
inline int RunCyclesOf(TFormTest2D& form, int cycles, const std::function<void(int)>& during = {}) {
  int seen = 0;
  const QMetaObject::Connection each = QObject::connect(&form.Session(), &TSession::CycleDone, &form, [&] {
    const int cycle = ++seen;
    if (during) during(cycle);
    if (cycle >= cycles) Find<QToolButton>(form, "PauseBtn")->click();
  });
  Find<QToolButton>(form, "StartBtn")->click();  // returns when the loop has ended
  QObject::disconnect(each);
  return seen;
}

}  // namespace vorlanth::testing
