#pragma once
// The installer stubs mivora-pack knows by their processor: the i386 stub
// runs on every Windows, its x86-64 twin also where the 32-bit layer is gone.
// `--arch` names one, and picks the stub of that name beside the tool.
#include <cstdint>
#include <string>

#include "tools/writer/pe_image.hpp"

namespace mivora::pack {

struct StubArch {
  const char* name;       // as --arch takes it
  const char* stub_file;  // beside the tool, or in ../share/mivora
  std::uint16_t machine;  // the COFF machine of that stub
};

inline constexpr StubArch kStubArches[] = {
    {"x86", "mivora.exe", writer::pe::kMachineI386},
    {"x86-64", "mivora64.exe", writer::pe::kMachineAmd64},
};
inline constexpr const StubArch& kDefaultArch = kStubArches[0];

// The arch of that name or machine, or nullptr.
[[nodiscard]] const StubArch* arch_named(const std::string& name);
[[nodiscard]] const StubArch* arch_of_machine(std::uint16_t machine);

// "x86 or x86-64": what --arch takes, for a message.
[[nodiscard]] std::string arch_names();

// What the machine is called in a message: the arch's name, or its number.
[[nodiscard]] std::string machine_name(std::uint16_t machine);

}  // namespace mivora::pack
