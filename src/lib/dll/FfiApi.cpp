// The libffi table (see FfiApi.h).
#define NOKARI_FFI_API_TABLE
#include "lib/dll/FfiApi.h"

namespace nokari::dll {
NOKARI_LAZY_TABLE_DEFINE(FfiNames, FfiApi, "libffi.so.8", NOKARI_FFI_NAMES)
}  // namespace nokari::dll
