// std::pow with a memory of recent calls, for run loops whose arguments
// repeat (a constant exponent over bases that take few distinct values, as
// those read from an image do).
//
// A hit returns the result an earlier std::pow call gave for bit-identical
// arguments, so every value is exactly what calling std::pow would give.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace pxb {

class PowMemo {
 public:
  PowMemo() {
    // pow(1, 1) is exactly 1: every slot starts as a true entry.
    for (Entry& e : entries_)
      e = Entry{kOneBits, kOneBits, 1.0};
  }

  double operator()(double base, double exponent) {
    const auto b = std::bit_cast<uint64_t>(base);
    const auto e = std::bit_cast<uint64_t>(exponent);
    Entry& slot = entries_[SlotOf(b, e)];
    if (slot.base == b && slot.exponent == e) return slot.value;
    const double value = std::pow(base, exponent);
    slot = Entry{b, e, value};
    return value;
  }

 private:
  static constexpr int kSlotBits = 11;
  static constexpr uint64_t kOneBits = 0x3FF0000000000000ULL;

  struct Entry {
    uint64_t base;
    uint64_t exponent;
    double value;
  };

  static size_t SlotOf(uint64_t b, uint64_t e) {
    // Multiplicative hashing: the top bits of the product depend on every
    // bit of the key, the low mantissa bits included.
    const uint64_t h = (b ^ (e * 0x9E3779B97F4A7C15ULL)) * 0xD6E8FEB86659FD93ULL;
    return static_cast<size_t>(h >> (64 - kSlotBits));
  }

  Entry entries_[size_t{1} << kSlotBits];
};

// The memo of the calling thread: run loops on several threads never share
// one.
inline PowMemo& ThreadPowMemo() {
  thread_local PowMemo memo;
  return memo;
}

}  // namespace pxb
