// Messages of the HTTP and FTP commands (the list is in Messages.inc).
#pragma once
#include "core/Messages.h"

namespace nokari::msg {
#define NOKARI_MESSAGE(name, text) inline constexpr char name[] = text;
#include "lib/net/Messages.inc"
#undef NOKARI_MESSAGE
}  // namespace nokari::msg
