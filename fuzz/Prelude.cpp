#include "Prelude.h"

#include <cstdio>
#include <cstdlib>

#include "core/Encoding.h"

namespace nokari::fuzz {

namespace {

const char kPrelude[] =
    "Aは、3\n"
    "Bは、-2.5\n"
    "Sは、「abc」\n"
    "Jは、「日本語の文字列」\n"
    "Tは、「a,b,c\\nd,e,f」\n"
    "加算器を、「?と,?を」で、関数定義\n"
    "終わりへ、飛ぶ\n"
    "*加算器\n"
    "引数取得\n"
    "((それ#0)+(それ#1))を、計算\n"
    "戻る\n"
    "*値\n"
    "それは、42\n"
    "戻る\n"
    "*終わり\n";

}  // namespace

void RunPrelude(FuzzEngine& f) {
  static const std::string prelude = FromUtf8(kPrelude);
  try {
    StartProgram(f.E, prelude);
    RunLoop(f.E);
  } catch (const ENoka& err) {
    fprintf(stderr, "fuzz prelude failed: %s\n", ToUtf8(err.Message).c_str());
    abort();
  }
  if (!f.E.ErrorLog.empty() || f.E.Words.GetValue(FromUtf8("A")) != "3") {
    fprintf(stderr, "fuzz prelude failed: %s\n", ToUtf8(f.E.ErrorLog).c_str());
    abort();
  }
  f.E.StopFlag = false;
}

}  // namespace nokari::fuzz
