// The registry's texts in CP932, row for row with RegistryTable(): made at
// build time (src/generators/RegistryNames.cpp), so registering the
// built-in words converts nothing.
#pragma once
#include <span>
#include <string_view>

namespace nokari {

struct RegistryNames {
  std::string_view Name;     // as registered, before okurigana are stripped
  std::string_view Text;     // command: ArgSpec; variable/constant: initial value
  std::string_view TypeTag;
};

std::span<const RegistryNames> RegistryNamesCp932();

}  // namespace nokari
