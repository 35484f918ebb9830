// Messages of the part-specific commands (the list is in Messages.inc).
#pragma once
#include "parts/Messages.h"

namespace nokari::msg {
#define NOKARI_MESSAGE(name, text) inline constexpr char name[] = text;
#include "parts/specific/Messages.inc"
#undef NOKARI_MESSAGE
}  // namespace nokari::msg
