// キー送信's key text read into key actions, with no display: "^a{DEL}",
// "{LEFT 3}", "+(ab)", "~" and plain text (Japanese included).
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace nokari::programs {

// X keysyms of the keys the text names ({ENTER}, the modifiers ...).
namespace keysym {
inline constexpr uint32_t kShift = 0xffe1;    // Shift_L
inline constexpr uint32_t kControl = 0xffe3;  // Control_L
inline constexpr uint32_t kAlt = 0xffe9;      // Alt_L
inline constexpr uint32_t kReturn = 0xff0d;
inline constexpr uint32_t kTab = 0xff09;
}  // namespace keysym

struct KeyAction {
  enum Kind : uint8_t {
    kDown,  // hold a key (Value: keysym)
    kUp,    // let it go
    kTap,   // press and release a named key (Value: keysym)
    kChar,  // type a character (Value: Unicode code point), with whatever
            // key and shift state give it
  };
  Kind Type;
  uint32_t Value;
  bool operator==(const KeyAction&) const = default;
};

// The keysym of a braced key name ("ENTER", "del", "F12"), case ignored;
// 0 when the table has no such name.
uint32_t KeyNameKeysym(std::string_view name);

// Reads a CP932 key text, item by item: "+", "^", "%" hold SHIFT, CTRL or
// ALT around the next item; "(" groups items up to ")"; "~" is ENTER;
// "{NAME}" and "{NAME n}" a named key or a character, n times ("{}}" is
// "}"); anything else is typed as the character it is. A braced key with
// no closing "}" ends the typing there.
std::vector<KeyAction> ParseKeyText(std::string_view text);

}  // namespace nokari::programs
