// The readline table (see ReadlineApi.h).
#define NOKARI_READLINE_API_TABLE
#include "host/ReadlineApi.h"

namespace nokari {
NOKARI_LAZY_TABLE_DEFINE(ReadlineNames, ReadlineApi, "libreadline.so.8", NOKARI_READLINE_NAMES)
}  // namespace nokari
