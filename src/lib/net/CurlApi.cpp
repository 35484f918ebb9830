// The libcurl table (see CurlApi.h).
#define NOKARI_CURL_API_TABLE
#include "lib/net/CurlApi.h"

namespace nokari::net {
NOKARI_LAZY_TABLE_DEFINE(CurlFunctions, CurlApi, "libcurl.so.4", NOKARI_CURL_FUNCTIONS)
}  // namespace nokari::net
