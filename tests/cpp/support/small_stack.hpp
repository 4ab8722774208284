#pragma once
// Runs a function on a thread with a small stack, so that a walk that recursed once per tree level
// would overflow it at a depth a test can build in moments.
#include <pthread.h>

#include <cstddef>
#include <functional>
#include <stdexcept>

namespace norvi::testing {

inline void run_on_small_stack(std::size_t stack_bytes, const std::function<void()>& body) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, stack_bytes);
  pthread_t thread;
  auto trampoline = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  const int rc = pthread_create(&thread, &attr, trampoline, const_cast<std::function<void()>*>(&body));
  pthread_attr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("cannot start a thread");
  pthread_join(thread, nullptr);
}

}  // namespace norvi::testing
