#include "norvi/client/json/record.hpp"

#include <cstdlib>

namespace norvi::client::json {

void Record::write(Writer& w, const void* object) const {
  w.begin_object();
  for (const FieldInfo& field : fields_) {
    // A record with a field that cannot be written is declared for reading only: writing one is a
    // fault of the program, not of the data.
    if (field.write == nullptr) std::abort();
    field.write(w.key(field.key), object);
  }
  w.end_object();
}

}  // namespace norvi::client::json
