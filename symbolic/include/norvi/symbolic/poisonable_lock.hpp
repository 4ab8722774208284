#pragma once
// State behind a mutex that an exception escaping a holder leaves poisoned for good: a holder that
// failed half-way may have left the state broken, so no later holder may see it. What a poisoned lock
// means to its users (an error, a fatal stop) is theirs to say, through the `poisoned` callable.

#include <mutex>
#include <shared_mutex>
#include <type_traits>
#include <utility>

namespace norvi::symbolic {

template <typename State, typename Mutex = std::mutex> class PoisonableLock {
 public:
  template <typename... Args>
  explicit PoisonableLock(Args&&... args) : state_(std::forward<Args>(args)...) {}
  PoisonableLock(const PoisonableLock&) = delete;
  PoisonableLock& operator=(const PoisonableLock&) = delete;

  // Runs `work(state)` with the lock held, or `poisoned()` when the lock is poisoned (the state is
  // then not touched). An exception leaving `work` poisons the lock and goes on to the caller.
  template <typename Work, typename Poisoned> decltype(auto) lock(Work&& work, Poisoned&& poisoned) {
    std::unique_lock held(mutex_);
    if (poisoned_) return static_cast<std::invoke_result_t<Work, State&>>(poisoned());
    try {
      return std::forward<Work>(work)(state_);
    } catch (...) {
      poisoned_ = true;
      throw;
    }
  }

  // Shared access for readers of a shared mutex. A reader changes nothing, so its failure leaves
  // the lock as it was.
  template <typename Work, typename Poisoned> decltype(auto) lock_shared(Work&& work, Poisoned&& poisoned) const {
    std::shared_lock held(mutex_);
    if (poisoned_) return static_cast<std::invoke_result_t<Work, const State&>>(poisoned());
    return std::forward<Work>(work)(std::as_const(state_));
  }

  // Whether a holder has failed; for tests and diagnostics.
  bool is_poisoned() const {
    std::unique_lock held(mutex_);
    return poisoned_;
  }

 private:
  mutable Mutex mutex_;
  bool poisoned_ = false;  // guarded by `mutex_`
  State state_;
};

}  // namespace norvi::symbolic
