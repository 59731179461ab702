#pragma once
// The words a script writes for the flags of `page` and `dest`, read by the
// compiler and written back by dump.
#include <cstdint>
#include <span>

#include "package/format.hpp"

namespace mivora::script {

struct FlagWord {
  const char* word;
  std::uint32_t value;
};

inline constexpr FlagWord kPageFlagWords[] = {{"no-back", format::kPageNoBack}, {"no-next", format::kPageNoNext}};
inline constexpr FlagWord kDestFlagWords[] = {
    {"fixed", format::kDestFixed}, {"drive", format::kDestDrivePrefix}, {"continue", format::kDestSameDestination}};

}  // namespace mivora::script
