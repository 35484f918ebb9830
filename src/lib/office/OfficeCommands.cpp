// The spreadsheet and the word processor, driven through a helper program.
#include "words/Family.h"

namespace nokari {

extern const Family kOfficeFamily{"office", {}, {}};

}  // namespace nokari
