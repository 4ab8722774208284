#pragma once
// Runs a function on a thread with a small call stack, to show that a walk over a deep tree keeps its
// pending work off the call stack: a recursive walk at the depths used overflows such a stack.
#include <pthread.h>

#include <cstddef>
#include <functional>
#include <stdexcept>

namespace norvi::testing {

inline void run_on_small_stack(const std::function<void()>& body, std::size_t stack_bytes = 256 * 1024) {
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
  if (rc != 0) throw std::runtime_error("pthread_create failed");
  pthread_join(thread, nullptr);
}

}  // namespace norvi::testing
