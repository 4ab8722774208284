#pragma once
// A value set at most once and read from any thread afterwards without locking.

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>

namespace norvi::core {

template <typename T>
class OnceLock {
 public:
  OnceLock() = default;
  // A copy holds a copy of the value when one is set.
  OnceLock(const OnceLock& other) {
    if (const T* value = other.get()) {
      value_.emplace(*value);
      ready_.store(true, std::memory_order_release);
    }
  }
  OnceLock& operator=(const OnceLock&) = delete;
  ~OnceLock() = default;

  // The value, or null while unset.
  const T* get() const noexcept { return ready_.load(std::memory_order_acquire) ? &*value_ : nullptr; }

  // Stores `value` unless a value is set already; true when this call stored it.
  bool set(T value) {
    std::lock_guard lock(mutex_);
    if (ready_.load(std::memory_order_relaxed)) return false;
    value_.emplace(std::move(value));
    ready_.store(true, std::memory_order_release);
    return true;
  }

 private:
  std::mutex mutex_;
  std::optional<T> value_;
  std::atomic<bool> ready_{false};
};

}  // namespace norvi::core
