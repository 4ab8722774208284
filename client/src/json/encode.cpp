#include "norvi/client/json/encode.hpp"

#include <cstdlib>

#include "norvi/client/json/record.hpp"

namespace norvi::client::json::detail {

void write_record(Writer& w, const Record& record, const void* object) {
  w.begin_object();
  for (const FieldInfo& field : record.fields()) {
    // A record with a field that cannot be written is declared for reading only: writing one is a
    // fault of the program, not of the data.
    if (field.write == nullptr) std::abort();
    field.write(w.key(field.key), object);
  }
  w.end_object();
}

}  // namespace norvi::client::json::detail
