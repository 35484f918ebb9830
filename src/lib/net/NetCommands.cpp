// HTTP and FTP: HTTPダウンロード, HTTPポスト and the FTP commands over libcurl.
#include "words/Family.h"

namespace nokari {

extern const Family kNetFamily{"net", {}, {}};

}  // namespace nokari
