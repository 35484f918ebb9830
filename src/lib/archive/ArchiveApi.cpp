// The libarchive table (see ArchiveApi.h).
#define NOKARI_ARCHIVE_API_TABLE
#include "lib/archive/ArchiveApi.h"

namespace nokari::archive {

const ArchiveFunctions& ArchiveApi() {
  static ArchiveFunctions table;
  static bool filled = false;
  if (!filled) {
    static LazyLibrary library("libarchive.so.13");
    NOKARI_ARCHIVE_FUNCTIONS(NOKARI_LAZY_LOAD)
    filled = true;
  }
  return table;
}

}  // namespace nokari::archive
