// Databases: SQLite natively, every other provider through ODBC.
#include "words/Family.h"

namespace nokari {

extern const Family kDbFamily{"db", {}, {}};

}  // namespace nokari
