// The libcurl table (see CurlApi.h).
#define NOKARI_CURL_API_TABLE
#include "lib/net/CurlApi.h"

namespace nokari::net {

const CurlFunctions& CurlApi() {
  static CurlFunctions table;
  static bool filled = false;
  if (!filled) {
    static LazyLibrary library("libcurl.so.4");
    NOKARI_CURL_FUNCTIONS(NOKARI_LAZY_LOAD)
    filled = true;
  }
  return table;
}

}  // namespace nokari::net
