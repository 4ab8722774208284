#include "http/handle_pool.hpp"

#include <fmt/format.h>

namespace norvi::client::http {
namespace {

// Idle connections kept per client; above the number of threads that may send at once.
constexpr long kMaxIdleConnections = 64;

CURLcode global_init_result() {
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  return result;
}

}  // namespace

TransferHandle::~TransferHandle() {
  if (multi != nullptr) curl_multi_cleanup(multi);
  if (easy != nullptr) curl_easy_cleanup(easy);
}

std::expected<std::unique_ptr<HandlePool>, HttpError> HandlePool::create() {
  if (const CURLcode rc = global_init_result(); rc != CURLE_OK)
    return std::unexpected(HttpError::builder(fmt::format("failed to initialise libcurl: {}", curl_easy_strerror(rc))));

  std::unique_ptr<HandlePool> pool(new HandlePool());
  pool->share_ = curl_share_init();
  if (pool->share_ == nullptr) return std::unexpected(HttpError::builder("failed to create the connection cache"));
  CURLSHcode rc = CURLSHE_OK;
  for (curl_lock_data data : {CURL_LOCK_DATA_CONNECT, CURL_LOCK_DATA_DNS})
    if (rc == CURLSHE_OK) rc = curl_share_setopt(pool->share_, CURLSHOPT_SHARE, data);
  if (rc == CURLSHE_OK) rc = curl_share_setopt(pool->share_, CURLSHOPT_LOCKFUNC, &HandlePool::lock);
  if (rc == CURLSHE_OK) rc = curl_share_setopt(pool->share_, CURLSHOPT_UNLOCKFUNC, &HandlePool::unlock);
  if (rc == CURLSHE_OK) rc = curl_share_setopt(pool->share_, CURLSHOPT_USERDATA, pool.get());
  if (rc != CURLSHE_OK)
    return std::unexpected(HttpError::builder(fmt::format("failed to create the connection cache: {}", curl_share_strerror(rc))));
  return pool;
}

HandlePool::~HandlePool() {
  // Transfer handles first: the share refuses to go while a handle still uses it.
  idle_.clear();
  if (share_ != nullptr) curl_share_cleanup(share_);
}

void HandlePool::lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
  static_cast<HandlePool*>(self)->share_locks_[static_cast<std::size_t>(data)].lock();
}

void HandlePool::unlock(CURL*, curl_lock_data data, void* self) {
  static_cast<HandlePool*>(self)->share_locks_[static_cast<std::size_t>(data)].unlock();
}

std::expected<HandlePool::Lease, HttpError> HandlePool::acquire() {
  {
    std::lock_guard guard(idle_mutex_);
    if (!idle_.empty()) {
      std::unique_ptr<TransferHandle> handle = std::move(idle_.back());
      idle_.pop_back();
      return Lease(*this, std::move(handle));
    }
  }
  auto handle = std::make_unique<TransferHandle>();
  handle->easy = curl_easy_init();
  handle->multi = curl_multi_init();
  if (handle->easy == nullptr || handle->multi == nullptr ||
      curl_easy_setopt(handle->easy, CURLOPT_SHARE, share_) != CURLE_OK ||
      curl_multi_setopt(handle->multi, CURLMOPT_MAXCONNECTS, kMaxIdleConnections) != CURLM_OK)
    return std::unexpected(HttpError::builder("failed to create a transfer handle"));
  return Lease(*this, std::move(handle));
}

void HandlePool::release(std::unique_ptr<TransferHandle> handle) {
  // Options go back to their defaults; the share, and so the open connections, stay.
  curl_easy_reset(handle->easy);
  std::lock_guard guard(idle_mutex_);
  try {
    idle_.push_back(std::move(handle));
  } catch (const std::bad_alloc&) {
    // Not kept: the handle closes; its connections stay in the share.
  }
}

HandlePool::Lease::~Lease() {
  if (handle_) pool_->release(std::move(handle_));
}

}  // namespace norvi::client::http
