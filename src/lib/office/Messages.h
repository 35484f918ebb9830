// Messages of the spreadsheet and word-processor commands (the list is in Messages.inc).
#pragma once
#include "core/Messages.h"

namespace nokari::msg {
#define NOKARI_MESSAGE(name, text) inline constexpr char name[] = text;
#include "lib/office/Messages.inc"
#undef NOKARI_MESSAGE
}  // namespace nokari::msg
