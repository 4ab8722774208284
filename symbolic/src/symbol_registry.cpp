#include "norvi/symbolic/symbol_registry.hpp"

#include <array>
#include <cstring>
#include <exception>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "norvi/symbolic/fatal.hpp"
#include "norvi/symbolic/hash_state.hpp"

namespace norvi::symbolic {
namespace {

__extension__ typedef unsigned __int128 U128;

std::uint64_t mix(std::uint64_t a, std::uint64_t c) {
  const U128 product = static_cast<U128>(a) * c;
  return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t read_u64(const unsigned char* p) {
  std::uint64_t w = 0;
  for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
  return w;
}

std::uint64_t read_u32(const unsigned char* p) {
  std::uint64_t w = 0;
  for (int i = 3; i >= 0; --i) w = (w << 8) | p[i];
  return w;
}

struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return symbol_name_hash(name); }
};

struct KeyHash {
  std::size_t operator()(std::uint64_t form) const {
    HashState h;
    h.absorb(form);
    return h.finish();
  }
};

using NameMap = std::unordered_map<std::string, DefaultKey, NameHash, std::equal_to<>>;

// Marks its flag when the scope is left by an exception, so later users of the lock see it broken.
class PoisonOnUnwind {
 public:
  explicit PoisonOnUnwind(bool& poisoned) : poisoned_(poisoned), exceptions_(std::uncaught_exceptions()) {}
  ~PoisonOnUnwind() {
    if (std::uncaught_exceptions() > exceptions_) poisoned_ = true;
  }
  PoisonOnUnwind(const PoisonOnUnwind&) = delete;
  PoisonOnUnwind& operator=(const PoisonOnUnwind&) = delete;

 private:
  bool& poisoned_;
  int exceptions_;
};

struct Shard {
  std::mutex mutex;
  bool poisoned = false;
  NameMap names;
};

struct Slot {
  // An occupied slot (odd version) holds its record, a free one the index of the next free slot.
  std::variant<std::uint32_t, InternedSymbol> content;
  std::uint32_t version = 0;
};

// Slots are addressed by 32-bit indices; index 4294967295 is never handed out.
constexpr std::size_t kMaxSlots = 4294967295ULL;

struct IdRegistry {
  std::shared_mutex lock;
  bool poisoned = false;
  std::vector<Slot> slots;
  std::uint32_t free_head = 1;
  std::uint32_t count = 0;

  IdRegistry() { slots.push_back(Slot{std::uint32_t{0}, 0}); }

  DefaultKey insert(const std::string* name) {
    DefaultKey key;
    if (free_head < slots.size()) {
      Slot& slot = slots[free_head];
      key = DefaultKey{free_head, slot.version | 1U};
      const std::uint32_t next = std::get<std::uint32_t>(slot.content);
      slot.version = key.version;
      slot.content = InternedSymbol{key, name};
      free_head = next;
    } else {
      if (slots.size() >= kMaxSlots) fatal_error("SlotMap is full");
      key = DefaultKey{static_cast<std::uint32_t>(slots.size()), 1};
      slots.push_back(Slot{InternedSymbol{key, name}, 1});
      free_head = key.index + 1;
    }
    ++count;
    return key;
  }
};

struct SymbolRegistry {
  std::array<Shard, 16> shards;
  IdRegistry ids;
};

SymbolRegistry& registry() {
  // Never torn down: threads may still intern while the process exits.
  static SymbolRegistry* const instance = new SymbolRegistry();
  return *instance;
}

struct ThreadCaches {
  NameMap names;
  std::unordered_map<std::uint64_t, InternedSymbol, KeyHash> records;
};

ThreadCaches& thread_caches() {
  thread_local ThreadCaches caches;
  return caches;
}

}  // namespace

std::uint64_t symbol_name_hash(std::string_view name) {
  const auto* b = reinterpret_cast<const unsigned char*>(name.data());
  const std::size_t n = name.size();
  std::uint64_t s0 = 0x243f6a8885a308d3ULL;
  std::uint64_t s1 = 0x13198a2e03707344ULL;
  if (n > 16) {
    for (std::size_t off = 0; off < n - 16; off += 16) {
      const std::uint64_t t = mix(s0 ^ read_u64(b + off), 0xa4093822299f31d0ULL ^ read_u64(b + off + 8));
      s0 = s1;
      s1 = t;
    }
    s0 ^= read_u64(b + n - 16);
    s1 ^= read_u64(b + n - 8);
  } else if (n >= 8) {
    s0 ^= read_u64(b);
    s1 ^= read_u64(b + n - 8);
  } else if (n >= 4) {
    s0 ^= read_u32(b);
    s1 ^= read_u32(b + n - 4);
  } else if (n >= 1) {
    s0 ^= b[0];
    s1 ^= (static_cast<std::uint64_t>(b[n - 1]) << 8) | b[n / 2];
  }
  HashState h;
  h.absorb(mix(s0, s1) ^ n);
  h.absorb(0xff);
  return h.finish();
}

DefaultKey intern_symbol(std::string_view name) {
  ThreadCaches& caches = thread_caches();
  if (auto hit = caches.names.find(name); hit != caches.names.end()) return hit->second;

  SymbolRegistry& reg = registry();
  Shard& shard = reg.shards[symbol_name_hash(name) & 0xF];
  DefaultKey key;
  {
    std::lock_guard shard_lock(shard.mutex);
    if (shard.poisoned) fatal_error("Global symbol registry shard poisoned");
    PoisonOnUnwind shard_poison(shard.poisoned);
    if (auto found = shard.names.find(name); found != shard.names.end()) {
      key = found->second;
    } else {
      {
        std::unique_lock write(reg.ids.lock);
        if (reg.ids.poisoned) fatal_error("Global ID registry poisoned");
        PoisonOnUnwind id_poison(reg.ids.poisoned);
        // Names live as long as the process, so records and nodes may point at them freely.
        key = reg.ids.insert(new std::string(name));
      }
      shard.names.emplace(std::string(name), key);
    }
  }
  caches.names.emplace(std::string(name), key);
  return key;
}

std::optional<InternedSymbol> symbol_by_key(std::uint64_t form) {
  const DefaultKey key = DefaultKey::from_u64(form);
  ThreadCaches& caches = thread_caches();
  if (auto hit = caches.records.find(key.as_u64()); hit != caches.records.end()) return hit->second;

  SymbolRegistry& reg = registry();
  std::optional<InternedSymbol> found;
  {
    std::shared_lock read(reg.ids.lock);
    if (reg.ids.poisoned) fatal_error("Global ID registry poisoned");
    if (key.index < reg.ids.slots.size()) {
      const Slot& slot = reg.ids.slots[key.index];
      if (slot.version == key.version) {
        if (const auto* record = std::get_if<InternedSymbol>(&slot.content)) found = *record;
      }
    }
  }
  if (found) caches.records.insert_or_assign(key.as_u64(), *found);
  return found;
}

}  // namespace norvi::symbolic
