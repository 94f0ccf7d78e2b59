// A set of enumeration values held as bits, the way the component model keeps
// its states and options. Enumerations must have fewer than 64 values.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace classlib {

template <class E>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }

  static constexpr EnumSet FromBits(std::uint64_t bits) {
    EnumSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr std::uint64_t Bits() const { return bits_; }

  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr EnumSet& Include(E v) {
    bits_ |= Bit(v);
    return *this;
  }
  constexpr EnumSet& Exclude(E v) {
    bits_ &= ~Bit(v);
    return *this;
  }

  friend constexpr bool operator==(EnumSet a, EnumSet b) { return a.bits_ == b.bits_; }
  friend constexpr EnumSet operator+(EnumSet a, EnumSet b) { return FromBits(a.bits_ | b.bits_); }
  friend constexpr EnumSet operator*(EnumSet a, EnumSet b) { return FromBits(a.bits_ & b.bits_); }
  friend constexpr EnumSet operator-(EnumSet a, EnumSet b) { return FromBits(a.bits_ & ~b.bits_); }

 private:
  static constexpr std::uint64_t Bit(E v) { return std::uint64_t{1} << static_cast<unsigned>(v); }
  std::uint64_t bits_ = 0;
};

}  // namespace classlib
