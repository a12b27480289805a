#include "core/inbox.h"

#include <utility>

namespace vorlanth {

void TInbox::Post(TCommand command) {
  const std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(command));
}

void TInbox::Apply() {
  std::vector<TCommand> batch;
  {
    const std::lock_guard lock(mutex_);
    if (waiting_.empty()) return;
    batch.swap(waiting_);
  }
  size_t next = 0;
  try {
    for (; next < batch.size(); ++next) batch[next]();
  } catch (...) {
    // The failed command is done with; the rest go back in front of any newer.
    const std::lock_guard lock(mutex_);
    waiting_.insert(waiting_.begin(), std::make_move_iterator(batch.begin() + static_cast<std::ptrdiff_t>(next) + 1),
                    std::make_move_iterator(batch.end()));
    throw;
  }
}

bool TInbox::Empty() const {
  const std::lock_guard lock(mutex_);
  return waiting_.empty();
}

size_t TInbox::Count() const {
  const std::lock_guard lock(mutex_);
  return waiting_.size();
}

}  // namespace vorlanth
