#include "tools/pack/stub_arch.hpp"

#include <cstdio>
#include <iterator>

namespace mivora::pack {

const StubArch* arch_named(const std::string& name) {
  for (const StubArch& arch : kStubArches)
    if (name == arch.name) return &arch;
  return nullptr;
}

const StubArch* arch_of_machine(std::uint16_t machine) {
  for (const StubArch& arch : kStubArches)
    if (machine == arch.machine) return &arch;
  return nullptr;
}

std::string arch_names() {
  std::string names;
  for (std::size_t i = 0; i < std::size(kStubArches); ++i) {
    if (i > 0) names += i + 1 == std::size(kStubArches) ? " or " : ", ";
    names += kStubArches[i].name;
  }
  return names;
}

std::string machine_name(std::uint16_t machine) {
  if (const StubArch* arch = arch_of_machine(machine)) return arch->name;
  char number[24];
  std::snprintf(number, sizeof number, "machine 0x%X", machine);
  return number;
}

}  // namespace mivora::pack
