#pragma once
// libcurl handles of one HTTP client: one share holding the connection and DNS caches, and a pool
// of transfer handles over it, so connections are reused across requests and threads.

#include <curl/curl.h>

#include <array>
#include <expected>
#include <memory>
#include <mutex>
#include <vector>

#include "norvi/client/http/http_error.hpp"

namespace norvi::client::http {

// One transfer handle with its own multi handle (which drives it with our deadlines) and error
// buffer. Used by one request at a time.
struct TransferHandle {
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  char error_buffer[CURL_ERROR_SIZE] = {};

  TransferHandle() = default;
  TransferHandle(const TransferHandle&) = delete;
  TransferHandle& operator=(const TransferHandle&) = delete;
  ~TransferHandle();
};

class HandlePool {
 public:
  // Initialises libcurl once per process, on the first call.
  static std::expected<std::unique_ptr<HandlePool>, HttpError> create();

  HandlePool(const HandlePool&) = delete;
  HandlePool& operator=(const HandlePool&) = delete;
  ~HandlePool();

  // Returns its handle to the pool when it goes.
  class Lease {
   public:
    Lease(HandlePool& pool, std::unique_ptr<TransferHandle> handle) : pool_(&pool), handle_(std::move(handle)) {}
    Lease(Lease&&) noexcept = default;
    Lease& operator=(Lease&&) = delete;
    ~Lease();
    TransferHandle& operator*() const { return *handle_; }
    TransferHandle* operator->() const { return handle_.get(); }

   private:
    HandlePool* pool_;
    std::unique_ptr<TransferHandle> handle_;
  };

  std::expected<Lease, HttpError> acquire();

 private:
  HandlePool() = default;
  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self);
  static void unlock(CURL*, curl_lock_data data, void* self);
  void release(std::unique_ptr<TransferHandle> handle);

  CURLSH* share_ = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> share_locks_;
  std::mutex idle_mutex_;
  std::vector<std::unique_ptr<TransferHandle>> idle_;
};

}  // namespace norvi::client::http
