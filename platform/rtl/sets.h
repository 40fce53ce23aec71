#pragma once
// TSet<E>: a set of the values of an enumeration whose values lie in 0..63, held as bits.
#include <cstdint>
#include <initializer_list>

template <class E>
class TSet {
 public:
  using Element = E;

  constexpr TSet() noexcept = default;
  constexpr TSet(std::initializer_list<E> items) noexcept {
    for (E e : items) bits_ |= Bit(e);
  }
  static constexpr TSet FromBits(uint64_t bits) noexcept {
    TSet s;
    s.bits_ = bits;
    return s;
  }

  constexpr uint64_t Bits() const noexcept { return bits_; }
  constexpr bool Contains(E e) const noexcept { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const noexcept { return bits_ == 0; }
  constexpr TSet& Include(E e) noexcept {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) noexcept {
    bits_ &= ~Bit(e);
    return *this;
  }

  friend constexpr TSet operator+(TSet a, TSet b) noexcept { return FromBits(a.bits_ | b.bits_); }
  friend constexpr TSet operator-(TSet a, TSet b) noexcept { return FromBits(a.bits_ & ~b.bits_); }
  friend constexpr TSet operator*(TSet a, TSet b) noexcept { return FromBits(a.bits_ & b.bits_); }
  friend constexpr TSet operator+(TSet a, E e) noexcept { return a.Include(e); }
  friend constexpr TSet operator-(TSet a, E e) noexcept { return a.Exclude(e); }
  TSet& operator+=(TSet b) noexcept { bits_ |= b.bits_; return *this; }
  TSet& operator-=(TSet b) noexcept { bits_ &= ~b.bits_; return *this; }
  TSet& operator*=(TSet b) noexcept { bits_ &= b.bits_; return *this; }
  TSet& operator+=(E e) noexcept { return Include(e); }
  TSet& operator-=(E e) noexcept { return Exclude(e); }
  friend constexpr bool operator==(TSet a, TSet b) noexcept { return a.bits_ == b.bits_; }
  // Subset test.
  friend constexpr bool operator<=(TSet a, TSet b) noexcept { return (a.bits_ & ~b.bits_) == 0; }

 private:
  static constexpr uint64_t Bit(E e) noexcept {
    auto v = static_cast<unsigned>(e);
    return v < 64 ? uint64_t{1} << v : 0;
  }
  uint64_t bits_ = 0;
};
