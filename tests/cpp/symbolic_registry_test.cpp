// The symbol registry: one name, one key, from any thread; lookups by key; the reserved names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "norvi/symbolic/known_symbols.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

[[noreturn]] void intern_first_names_and_exit() {
  const DefaultKey first = intern_symbol("fresh_first");
  const DefaultKey second = intern_symbol("fresh_second");
  const bool ok = first.as_u64() == 0x0000000100000001ULL && second == DefaultKey{2, 1} &&
                  !symbol_by_key(0).has_value() && !symbol_by_key(DefaultKey{0, 1}.as_u64()).has_value();
  std::exit(ok ? 0 : 1);
}

TEST(SymbolicRegistry, FirstNameOfAFreshProcessGetsIndexOneVersionOne) {
  // A re-executed child process starts with an empty registry whatever ran before in this one.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(intern_first_names_and_exit(), ::testing::ExitedWithCode(0), "");
}

TEST(SymbolicRegistry, OneNameOneKeyAndBackToTheRecord) {
  const std::vector<std::string> names = {"theta", "phi", "", "a long name of more than sixteen bytes",
                                          "exactly16bytes!!", "abcdefgh", "abcd", "a", std::string("x\0y", 3)};
  std::set<std::uint64_t> keys;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const DefaultKey key = intern_symbol(name);
    EXPECT_EQ(intern_symbol(name), key);
    EXPECT_EQ(key.version % 2, 1U);
    EXPECT_NE(key.index, 0U);
    keys.insert(key.as_u64());
    const auto record = symbol_by_key(key.as_u64());
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->key, key);
    ASSERT_NE(record->name, nullptr);
    EXPECT_EQ(*record->name, name);
  }
  EXPECT_EQ(keys.size(), names.size());
}

TEST(SymbolicRegistry, LookupOfUnknownOrMismatchedKeys) {
  const DefaultKey key = intern_symbol("lookup_probe");
  struct Case {
    const char* what;
    std::uint64_t form;
    bool found;
  };
  const Case cases[] = {
      {"index zero", DefaultKey{0, 1}.as_u64(), false},
      {"index beyond the table", DefaultKey{0x7fffffff, 1}.as_u64(), false},
      {"version mismatch", DefaultKey{key.index, 3}.as_u64(), false},
      {"even version read as the next odd one", DefaultKey{key.index, 0}.as_u64(), true},
      {"exact key", key.as_u64(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto record = symbol_by_key(c.form);
    EXPECT_EQ(record.has_value(), c.found);
    if (record) {
      EXPECT_EQ(*record->name, "lookup_probe");
    }
  }
}

TEST(SymbolicRegistry, NameHashFollowsTheWordReadsOfEachLength) {
  // Every length class reads different bytes; names differing in a byte each class reads must differ.
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"", "a"}, {"ab", "ba"}, {"abc", "abd"}, {"abcd", "abce"}, {"abcdefg", "abcdefh"},
      {"abcdefgh", "abcdefgi"}, {"0123456789abcdef", "0123456789abcdeg"},
      {"0123456789abcdefX", "0123456789abcdefY"}, {std::string(40, 'q'), std::string(41, 'q')}};
  for (const auto& [a, b] : pairs) {
    SCOPED_TRACE(a + " / " + b);
    EXPECT_EQ(symbol_name_hash(a), symbol_name_hash(std::string(a)));
    EXPECT_NE(symbol_name_hash(a), symbol_name_hash(b));
  }
}

TEST(SymbolicRegistry, ConcurrentInterningFromEightThreadsYieldsOneKeyPerName) {
  constexpr int kThreads = 8;
  constexpr int kNames = 400;
  std::vector<std::vector<DefaultKey>> seen(kThreads, std::vector<DefaultKey>(kNames));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen] {
      // Each thread walks the names from a different start so first internings collide.
      for (int i = 0; i < kNames; ++i) {
        const int n = (i + t * 37) % kNames;
        seen[t][n] = intern_symbol("concurrent_" + std::to_string(n));
        if (!symbol_by_key(seen[t][n].as_u64())) seen[t][n] = DefaultKey{};
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<std::uint64_t> distinct;
  for (int n = 0; n < kNames; ++n) {
    for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t][n], seen[0][n]) << "name " << n;
    EXPECT_NE(seen[0][n].index, 0U);
    distinct.insert(seen[0][n].as_u64());
  }
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kNames));
}

TEST(SymbolicRegistry, KnownSymbolsAreDistinctAndAgreeWithInterning) {
  const KnownSymbols& known = known_symbols();
  std::set<std::uint64_t> distinct;
  for (std::size_t i = 0; i < kKnownSymbolCount; ++i) {
    distinct.insert(known.keys[i].as_u64());
    EXPECT_EQ(intern_symbol(kKnownSymbolNames[i]), known.keys[i]) << kKnownSymbolNames[i];
  }
  EXPECT_EQ(distinct.size(), kKnownSymbolCount);
  EXPECT_EQ(known.keys[kKnownE], intern_symbol("e"));
  EXPECT_EQ(known.keys[kKnownUpperE], intern_symbol("E"));
  EXPECT_EQ(known.keys[kKnownPi], intern_symbol("pi"));
  EXPECT_EQ(&known, &known_symbols());
}

}  // namespace
}  // namespace norvi::symbolic
