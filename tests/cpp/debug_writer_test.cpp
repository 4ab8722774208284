#include "norvi/symbolic/debug_writer.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace {

using norvi::symbolic::DebugWriter;

// A record holding a named tuple, an empty record, a list, a pair, an empty list and an option.
void write_sample(DebugWriter& w) {
  w.open_record("Op");
  w.field("gate");
  w.open_tuple("Standard");
  w.word("H");
  w.close();
  w.field("unit");
  w.open_record("Empty");
  w.close();
  w.field("qubits");
  w.open_list();
  w.unsigned_value(0);
  w.unsigned_value(1);
  w.close();
  w.field("term");
  w.open_pair();
  w.unsigned_value(2);
  w.float_value(1.0);
  w.close();
  w.field("none");
  w.open_list();
  w.close();
  w.field("name");
  w.open_some();
  w.string_value("a\"b\n");
  w.close();
  w.close();
}

TEST(DebugWriter, CompactAndMultiLineLayouts) {
  std::string compact;
  DebugWriter c(compact, false);
  write_sample(c);
  EXPECT_EQ(compact,
            "Op { gate: Standard(H), unit: Empty, qubits: [0, 1], term: (2, 1.0), none: [], "
            "name: Some(\"a\\\"b\\n\") }");

  std::string multi;
  DebugWriter m(multi, true);
  write_sample(m);
  EXPECT_EQ(multi,
            "Op {\n"
            "    gate: Standard(\n"
            "        H,\n"
            "    ),\n"
            "    unit: Empty,\n"
            "    qubits: [\n"
            "        0,\n"
            "        1,\n"
            "    ],\n"
            "    term: (\n"
            "        2,\n"
            "        1.0,\n"
            "    ),\n"
            "    none: [],\n"
            "    name: Some(\n"
            "        \"a\\\"b\\n\",\n"
            "    ),\n"
            "}");
}

TEST(DebugWriter, ScalarsAndEscapes) {
  struct Case {
    std::function<void(DebugWriter&)> write;
    const char* text;
  };
  const Case cases[] = {
      {[](DebugWriter& w) { w.float_value(1e-5); }, "1e-5"},
      {[](DebugWriter& w) { w.float_value(1e20); }, "1e20"},
      {[](DebugWriter& w) { w.unsigned128_value(~static_cast<norvi::symbolic::UInt128>(0)); },
       "340282366920938463463374607431768211455"},
      {[](DebugWriter& w) { w.signed128_value(static_cast<norvi::symbolic::Int128>(static_cast<norvi::symbolic::UInt128>(1) << 127)); },
       "-170141183460469231731687303715884105728"},
      {[](DebugWriter& w) { w.string_value(std::string_view("\t\\\x01\x7f\0", 5)); }, "\"\\t\\\\\\u{1}\\u{7f}\\0\""},
      // The second block of control characters and the line and paragraph separators would break or
      // garble the line; other characters beyond ASCII pass through.
      {[](DebugWriter& w) { w.string_value("a\u0085b\u009f\u2028\u2029"); }, "\"a\\u{85}b\\u{9f}\\u{2028}\\u{2029}\""},
      {[](DebugWriter& w) { w.string_value("\u00a0\u00e9\u03b8\u2027"); }, "\"\u00a0\u00e9\u03b8\u2027\""},
      {[](DebugWriter& w) { w.string_value("\xC2"); }, "\"\xC2\""},
      {[](DebugWriter& w) { w.open_set(); w.close(); }, "{}"},
      {[](DebugWriter& w) { w.open_set(); w.unsigned_value(3); w.close(); }, "{3}"},
  };
  for (const Case& c : cases) {
    std::string out;
    DebugWriter w(out, false);
    c.write(w);
    EXPECT_EQ(out, c.text);
  }
}

}  // namespace
