// Build-time generator: writes the built-in words' names, argument specs,
// initial values and type tags in CP932, row for row with RegistryTable(),
// as a C++ source compiled into the engine. Converting them at every start
// took a quarter of a one-line script's instructions; a character with no
// CP932 form now fails the build instead of becoming "〓" at run time.
//
// usage: nokari_registry_names OUTPUT.cpp
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/Encoding.h"
#include "words/Registry.h"

namespace {

// A C++ string literal of the bytes: printable ASCII as it stands, every
// other byte as a three-digit octal escape (which, unlike \x, cannot run on
// into a following digit).
std::string Literal(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
      out += static_cast<char>(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", c);
      out += esc;
    }
  }
  return out + "\"";
}

bool Convert(const char* utf8, std::string& out, std::string& problem) {
  size_t bad = 0;
  if (nokari::Utf8ToCp932(utf8 ? utf8 : "", out, &bad)) return true;
  problem = std::string(utf8) + " (byte " + std::to_string(bad) + ")";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
    return 2;
  }
  std::ostringstream src;
  src << "// Generated at build time by src/generators/RegistryNames.cpp from\n"
         "// src/words/RegistryTable.cpp: do not edit.\n"
         "#include \"words/RegistryNames.h\"\n\n"
         "namespace nokari {\n"
         "namespace {\n\n"
         "using namespace std::string_view_literals;\n\n"
         "constexpr RegistryNames kNames[] = {\n";
  for (const nokari::RegistryRow& row : nokari::RegistryTable()) {
    std::string name, text, typeTag, problem;
    if (!Convert(row.Name, name, problem) || !Convert(row.Text, text, problem) ||
        !Convert(row.TypeTag, typeTag, problem)) {
      std::fprintf(stderr, "nokari_registry_names: no CP932 form for %s\n", problem.c_str());
      return 1;
    }
    src << "    {" << Literal(name) << "sv, " << Literal(text) << "sv, " << Literal(typeTag) << "sv},\n";
  }
  src << "};\n\n"
         "}  // namespace\n\n"
         "std::span<const RegistryNames> RegistryNamesCp932() { return kNames; }\n\n"
         "}  // namespace nokari\n";
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << src.str();
  out.close();
  if (!out) {
    std::fprintf(stderr, "nokari_registry_names: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
