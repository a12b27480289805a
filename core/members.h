#pragma once
// How the members of a player or a goal travel when the object is assigned from
// another of its class: a thread's replica taking the world's values before the
// passes, a goal read on a scratch copy. Every member is a value and is copied by
// the class's own copy assignment, so a field is copied because it is declared;
// the few members that are not values say so by their type:
//
// - TPlace: the object's place in the world (the owner it belongs to, the
//   settings it reads through its track, what it owns apart: its own goals, its
//   futures). Assignment keeps the object's own.
// - TOwnedValue: a part it owns whose values are its own (the present state).
//   Assignment copies the part's values into its own part.
//
// Objects refer to one another by TRef (a position hint and a serial number that
// no other object ever takes), never by address: a copied reference is already
// right in a replica, where the same serial names the replica's counterpart, and
// a reference to an object that has gone finds nothing.

#include <atomic>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

namespace vorlanth {

// How a TPlace reaches what it holds: a pointer, an owning pointer or a value.
template <class T>
struct TPlaceTraits {
  using Pointer = T*;
  using ConstPointer = const T*;
  static Pointer Get(T& item) { return &item; }
  static ConstPointer Get(const T& item) { return &item; }
};
template <class U>
struct TPlaceTraits<U*> {
  using Pointer = U*;
  using ConstPointer = U*;
  static Pointer Get(U* item) { return item; }
};
template <class U>
struct TPlaceTraits<std::unique_ptr<U>> {
  using Pointer = U*;
  using ConstPointer = U*;
  static Pointer Get(const std::unique_ptr<U>& item) { return item.get(); }
};

template <class T>
class TPlace {
  using Traits = TPlaceTraits<T>;

 public:
  TPlace() = default;
  TPlace(T item) : Item(std::move(item)) {}  // NOLINT: implicit by design
  TPlace(const TPlace&) = default;
  TPlace& operator=(const TPlace& /*other*/) { return *this; }  // the object's own is kept
  TPlace& operator=(T item) {
    Item = std::move(item);
    return *this;
  }

  typename Traits::Pointer get() { return Traits::Get(Item); }
  typename Traits::ConstPointer get() const { return Traits::Get(Item); }
  typename Traits::Pointer operator->() { return get(); }
  typename Traits::ConstPointer operator->() const { return get(); }
  auto& operator*() { return *get(); }
  auto& operator*() const { return *get(); }
  operator typename Traits::ConstPointer() const { return get(); }  // NOLINT: implicit by design

 private:
  T Item{};
};

template <class T>
class TOwnedValue {
 public:
  TOwnedValue() = default;
  TOwnedValue(const TOwnedValue&) = delete;
  TOwnedValue& operator=(const TOwnedValue& other) {
    if (Item && other.Item) *Item = *other.Item;
    return *this;
  }
  TOwnedValue& operator=(std::unique_ptr<T> item) {
    Item = std::move(item);
    return *this;
  }
  T* get() const { return Item.get(); }
  T* operator->() const { return Item.get(); }
  T& operator*() const { return *Item; }
  operator T*() const { return Item.get(); }  // NOLINT

 private:
  std::unique_ptr<T> Item;
};

// A serial number no other object of the process has taken (0 is none).
inline uint32_t NewSerial() {
  static std::atomic<uint32_t> last{0};
  return ++last;
}

// A reference to an object in a list: where it stood when the reference was
// taken, and its serial number. Resolved against the list as it is now.
struct TRef {
  int32_t Index = -1;
  uint32_t Serial = 0;
  explicit operator bool() const { return Serial != 0; }
  bool operator==(const TRef&) const = default;
};

// The item of `items` (pointers, or owning pointers, to objects with a Serial)
// that `ref` names, or nullptr: at the index it was taken at when it is still
// there, else wherever it went.
template <class List>
auto FindByRef(const List& items, TRef ref) -> decltype(&*items[0]) {
  if (!ref) return nullptr;
  const auto count = static_cast<int32_t>(items.size());
  if (ref.Index >= 0 && ref.Index < count && items[static_cast<size_t>(ref.Index)]->Serial == ref.Serial)
    return &*items[static_cast<size_t>(ref.Index)];
  for (int32_t i = 0; i < count; ++i)
    if (items[static_cast<size_t>(i)]->Serial == ref.Serial) return &*items[static_cast<size_t>(i)];
  return nullptr;
}

}  // namespace vorlanth
