// Mail: メール送信 over SMTP and メール受信 over POP3.
#include "words/Family.h"

namespace nokari {

extern const Family kMailFamily{"mail", {}, {}};

}  // namespace nokari
