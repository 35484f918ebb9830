// What a declared library function looks like to the script and to the C
// side: the declaration texts of DLL宣言 and DLLを利用, the type letters,
// and numbers crossing between the two. No engine here: unit-tested alone.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nokari::dll {

// The C types a typed declaration may name, one letter each:
//   p  char*   a pointer to the argument's text; a result is read as text
//   w  word    16-bit unsigned
//   d  dword   32-bit unsigned
//   b  bool    32-bit, all ones for any non-zero number
//   i  int     32-bit signed
//   v  void    nothing passed; no result
// The letter of a type name (ASCII case and blanks ignored); '\0' for a
// name not in that list.
char TypeLetter(std::string_view typeName);

// DLL宣言's "関数名(?と,?を)": the function and the new word's particles.
struct PlainDeclaration {
  std::string Function;
  std::string ArgSpec;
};
PlainDeclaration ParsePlain(std::string_view text);

// DLLを利用's "int MessageBoxA(int, char*, char*, int)": the function, the
// result letter and one letter per parameter. Ok is false when a type name
// is not one of the list above: such a parameter would shift every later
// one, so the declaration is refused instead of leaving it out.
struct TypedDeclaration {
  std::string Function;
  char Result = 'v';
  std::string Params;
  bool Ok = true;
};
TypedDeclaration ParseTyped(std::string_view text);

// How many arguments a word with this ArgSpec takes (its "?" marks).
size_t CountArguments(std::string_view argSpec);
// How many of the parameter letters pass a value (all but v).
size_t CountPassed(std::string_view letters);

// The machine value of a number for an integer parameter (w, d, b, i):
// truncated toward zero; none when it does not fit the C type (a wrapped
// number would reach the library as some other value).
std::optional<int64_t> IntegerArgument(char letter, long double x);
// An integer result as the script sees it: w its low 16 bits unsigned, d
// unsigned, b and i signed 32-bit. `raw` is the register as returned.
std::string IntegerResult(char letter, uint64_t raw);

}  // namespace nokari::dll
