#pragma once
// A ring of fixed slots holding at most Slots - 1 unread entries. A write
// into a full ring is dropped and the unread entries stay, in order.
#include <cstdint>

namespace mivora {

template <typename T, std::uint32_t Slots>
class Ring {
  static_assert(Slots >= 2);

 public:
  [[nodiscard]] bool empty() const { return read_ == write_; }

  // False (and nothing stored) when the ring is full.
  bool push(T value) {
    std::uint32_t next = advance(write_);
    if (next == read_) return false;
    slots_[write_] = value;
    write_ = next;
    return true;
  }

  // The oldest entry, or false when the ring is empty.
  bool pop(T& out) {
    if (empty()) return false;
    out = slots_[read_];
    read_ = advance(read_);
    return true;
  }

 private:
  static std::uint32_t advance(std::uint32_t position) { return position + 1 == Slots ? 0 : position + 1; }

  T slots_[Slots] = {};
  std::uint32_t read_ = 0;
  std::uint32_t write_ = 0;
};

}  // namespace mivora
