#pragma once
// The answer body the result benchmarks read: a result-query answer of one item whose shot rows are
// drawn from a skewed distribution (a few outcomes dominate, as in real runs, with a long tail); the
// same bytes on every run.

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvi::bench {

// `shots` rows on the qubits 0 .. qubits - 1; `ones`, when given, receives how many elements are 1.
inline std::string result_answer_body(std::size_t shots, std::size_t qubits, std::size_t* ones = nullptr) {
  std::string body =
      R"({"code":0,"message":"success","data":{"experimentResultModelList":[{"experimentTaskId":"task-1","status":0,"resultStatus":[[)";
  for (std::size_t q = 0; q < qubits; ++q) body += (q ? "," : "") + std::to_string(q);
  body += ']';
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  std::size_t count = 0;
  for (std::size_t s = 0; s < shots; ++s) {
    body += ",[";
    for (std::size_t q = 0; q < qubits; ++q) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      const bool one = (state % 8) < (q % 2 == 0 ? 1u : 7u);
      count += one;
      body += q ? (one ? ",1" : ",0") : (one ? "1" : "0");
    }
    body += ']';
  }
  body += "]}]}}";
  if (ones != nullptr) *ones = count;
  return body;
}

}  // namespace norvi::bench
