#pragma once
// The generic payload class: a final heap type (no subclasses, no instance dictionary, no weak
// references) whose objects carry one C++ record and a borrow counter. A class's own file describes
// its docstring, methods, getters and slots in a ClassSpec and owns one PayloadClass object:
//
//   PyGetSetDef config_getters[] = {getter<&domain>("domain", "..."), {}};
//   const PyType_Slot config_slots[] = {slot<&config_new>(Py_tp_new), slot<&config_repr>(Py_tp_repr)};
//   const ClassSpec config_spec{"norvi_brevora.BrevoraConfig", config_doc, nullptr, config_getters, config_slots};
//   PayloadClass<ConfigPayload> config_class(config_spec);
//
// A class whose slots hold no Py_tp_new cannot be instantiated from Python; its objects come from wrap().

#include <atomic>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

#include "exceptions.hpp"
#include "lazy_type.hpp"
#include "py_ref.hpp"

namespace norvi::binding {

// Instance layout: the object header, the payload record, the borrow counter.
template <typename Payload> struct PayloadObject {
  PyObject header;
  alignas(Payload) unsigned char storage[sizeof(Payload)];
  std::atomic<Py_ssize_t> borrow;  // 0 free, n > 0 shared borrows, -1 borrowed exclusively

  Payload& payload() noexcept { return *std::launder(reinterpret_cast<Payload*>(storage)); }
};

struct ClassSpec {
  const char* qualified_name;  // "norvi_brevora.X": __module__ "norvi_brevora", __qualname__ "X"
  const char* doc;             // with a constructor: its text signature, "--" and an empty line first
  PyMethodDef* methods = nullptr;  // ended by a zeroed row
  PyGetSetDef* getters = nullptr;  // ended by a zeroed row
  std::span<const PyType_Slot> slots = {};
};

namespace detail {
PyObject* create_payload_type(const ClassSpec& spec, std::size_t basic_size, destructor dealloc);
std::unexpected<PyRaised> raise_already_mutably_borrowed() noexcept;
}  // namespace detail

template <typename Payload> class PayloadClass;

// A shared borrow of an object's payload for the length of one call; released when it goes.
template <typename Payload> class SharedBorrow {
 public:
  SharedBorrow(SharedBorrow&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  SharedBorrow(const SharedBorrow&) = delete;
  SharedBorrow& operator=(const SharedBorrow&) = delete;
  SharedBorrow& operator=(SharedBorrow&&) = delete;
  ~SharedBorrow() {
    if (object_ != nullptr) object_->borrow.fetch_sub(1, std::memory_order_release);
  }

  const Payload& operator*() const noexcept { return object_->payload(); }
  const Payload* operator->() const noexcept { return &object_->payload(); }

 private:
  friend class PayloadClass<Payload>;
  explicit SharedBorrow(PayloadObject<Payload>* object) noexcept : object_(object) {}
  PayloadObject<Payload>* object_;
};

template <typename Payload> class PayloadClass {
  static_assert(std::is_nothrow_move_constructible_v<Payload>, "a payload moves into its object without failing");

 public:
  explicit constexpr PayloadClass(const ClassSpec& spec) : spec_(spec) {}
  PayloadClass(const PayloadClass&) = delete;
  PayloadClass& operator=(const PayloadClass&) = delete;

  // The type object, made on first use; null with the Python error set when that fails.
  PyTypeObject* type() {
    return type_.get([this] { return detail::create_payload_type(spec_, sizeof(PayloadObject<Payload>), &dealloc); });
  }

  // A new object of this class holding `payload`.
  PyResult<PyRef> wrap(Payload payload) {
    PyTypeObject* t = type();
    if (t == nullptr) return raised();
    return wrap_into(t, std::move(payload));
  }

  // For constructors: a new object of `type` (the class handed to __new__).
  static PyResult<PyRef> wrap_into(PyTypeObject* type, Payload payload) {
    PyObject* object = type->tp_alloc(type, 0);
    if (object == nullptr) return raised();
    auto* o = reinterpret_cast<PayloadObject<Payload>*>(object);
    ::new (static_cast<void*>(o->storage)) Payload(std::move(payload));
    ::new (static_cast<void*>(&o->borrow)) std::atomic<Py_ssize_t>(0);
    return PyRef::steal(object);
  }

  // `self` must be an object of this class (as it is for its methods, getters and slots).
  static PyResult<SharedBorrow<Payload>> borrow(PyObject* self) {
    auto* o = reinterpret_cast<PayloadObject<Payload>*>(self);
    Py_ssize_t current = o->borrow.load(std::memory_order_relaxed);
    do {
      if (current == -1) return detail::raise_already_mutably_borrowed();
    } while (!o->borrow.compare_exchange_weak(current, current + 1, std::memory_order_acquire,
                                              std::memory_order_relaxed));
    return SharedBorrow<Payload>(o);
  }

 private:
  // Drops the payload, then frees the object through the base type's free routine; a heap type's
  // objects hold a reference to their type.
  static void dealloc(PyObject* self) noexcept {
    PyTypeObject* type = Py_TYPE(self);
    reinterpret_cast<PayloadObject<Payload>*>(self)->payload().~Payload();
    PyBaseObject_Type.tp_free(self);
    Py_DECREF(type);
  }

  const ClassSpec& spec_;
  LazyType type_;
};

}  // namespace norvi::binding
