#pragma once
// The answer bodies the result benchmarks read: a result-query answer of one item whose shot rows are
// drawn either from a skewed distribution (a few outcomes dominate, as in real runs, with a long tail)
// or uniformly (every qubit a fair coin, as for a random circuit: nearly every shot a new outcome while
// shots are few against 2^qubits); the same bytes on every run.

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvi::bench {

enum class Outcomes { skewed, uniform };

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
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
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

// The number of shot rows that make an answer of about `bytes` (each row ",[d,...,d]").
inline std::size_t shots_for_bytes(std::size_t bytes, std::size_t qubits) { return bytes / (2 * qubits + 2); }

}  // namespace norvi::bench
