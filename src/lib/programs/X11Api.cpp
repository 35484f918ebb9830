// The Xlib and XTest tables (see X11Api.h).
#define NOKARI_X11_API_TABLE
#include "lib/programs/X11Api.h"

namespace nokari::programs {
NOKARI_LAZY_TABLE_DEFINE(X11Functions, X11Api, "libX11.so.6", NOKARI_X11_FUNCTIONS)
NOKARI_LAZY_TABLE_DEFINE(XtstFunctions, XtstApi, "libXtst.so.6", NOKARI_XTST_FUNCTIONS)
}  // namespace nokari::programs
