// The libarchive table (see ArchiveApi.h).
#define NOKARI_ARCHIVE_API_TABLE
#include "lib/archive/ArchiveApi.h"

namespace nokari::archive {
NOKARI_LAZY_TABLE_DEFINE(ArchiveFunctions, ArchiveApi, "libarchive.so.13", NOKARI_ARCHIVE_FUNCTIONS)
}  // namespace nokari::archive
