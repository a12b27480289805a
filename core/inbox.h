#pragma once
// The world's inbox: the commands waiting for the cycle's drawing step (after the
// futures are recorded, before the decision), where they take effect in the
// order they were given. Anyone may post, from any thread; only the world applies.

#include <functional>
#include <mutex>
#include <vector>

namespace vorlanth {

class TInbox {
 public:
  using TCommand = std::function<void()>;

  void Post(TCommand command);
  // Applies the commands waiting, in order. One posted meanwhile waits for the
  // next time. When one throws, those after it stay waiting, ahead of newer ones.
  void Apply();
  bool Empty() const;
  size_t Count() const;

 private:
  mutable std::mutex mutex_;
  std::vector<TCommand> waiting_;
};

}  // namespace vorlanth
