#pragma once
// The answer bodies the result benchmarks read: a result-query answer of one item whose shot rows are
// drawn either from a skewed distribution (a few outcomes dominate, as in real runs, with a long tail)
// or uniformly (every qubit a fair coin, as for a random circuit: nearly every shot a new outcome while
// shots are few against 2^qubits), or an answer of many small items; the same bytes on every run.

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvi::bench {

enum class Outcomes { skewed, uniform };

// One xorshift step: the bits of the rows.
inline void next_state(std::uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
}

// `shots` rows on the qubits 0 .. qubits - 1; `ones`, when given, receives how many elements are 1.
inline std::string result_answer_body(std::size_t shots, std::size_t qubits, std::size_t* ones = nullptr,
                                      Outcomes outcomes = Outcomes::skewed) {
  std::string body =
      R"({"code":0,"message":"success","data":{"experimentResultModelList":[{"experimentTaskId":"task-1","status":0,"resultStatus":[[)";
  for (std::size_t q = 0; q < qubits; ++q) body += (q ? "," : "") + std::to_string(q);
  body += ']';
  body.reserve(body.size() + shots * (2 * qubits + 2) + 8);
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  std::size_t count = 0;
  for (std::size_t s = 0; s < shots; ++s) {
    body += ",[";
    for (std::size_t q = 0; q < qubits; ++q) {
      next_state(state);
      const bool one = outcomes == Outcomes::uniform ? (state >> 40) & 1u : (state % 8) < (q % 2 == 0 ? 1u : 7u);
      count += one;
      body += q ? (one ? ",1" : ",0") : (one ? "1" : "0");
    }
    body += ']';
  }
  body += "]}]}}";
  if (ones != nullptr) *ones = count;
  return body;
}

// A result-query answer of `items` result items ("task-0" ...), each `shots` rows on the qubits
// 0 .. qubits - 1 whose bits are fair coins: the answer of a handle of many small circuits, such as a
// parameter sweep.
inline std::string many_items_answer_body(std::size_t items, std::size_t qubits, std::size_t shots) {
  std::string first_row = "[";
  for (std::size_t q = 0; q < qubits; ++q) first_row += (q ? "," : "") + std::to_string(q);
  first_row += ']';
  std::string body = R"({"code":0,"message":"success","data":{"experimentResultModelList":[)";
  body.reserve(body.size() + items * (64 + first_row.size() + shots * (2 * qubits + 1)));
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (std::size_t i = 0; i < items; ++i) {
    body += i ? "," : "";
    body += R"({"experimentTaskId":"task-)" + std::to_string(i) + R"(","status":0,"resultStatus":[)" + first_row;
    for (std::size_t s = 0; s < shots; ++s) {
      body += ",[";
      for (std::size_t q = 0; q < qubits; ++q) {
        next_state(state);
        body += q ? ((state >> 40) & 1u ? ",1" : ",0") : ((state >> 40) & 1u ? "1" : "0");
      }
      body += ']';
    }
    body += "]}";
  }
  body += "]}}";
  return body;
}

// The number of shot rows that make an answer of about `bytes` (each row ",[d,...,d]").
inline std::size_t shots_for_bytes(std::size_t bytes, std::size_t qubits) { return bytes / (2 * qubits + 2); }

}  // namespace norvi::bench
