#include "core/Keywords.h"

#include "core/Encoding.h"

namespace nokari {

const Keywords& Kw() {
  static const Keywords k = [] {
    Keywords w;
    w.No = FromUtf8("の");
    w.Ha = FromUtf8("は");
    w.Kai = FromUtf8("回");
    w.NoToki = FromUtf8("の時");
    w.Te = FromUtf8("て");
    w.Moshi = FromUtf8("もし");
    w.Soshite = FromUtf8("そして");
    w.Kurikaesu = FromUtf8("繰返");
    w.Hanpuku = FromUtf8("反復");
    w.Loop = FromUtf8("ループ");
    w.Nara = FromUtf8("なら");
    w.Naraba = FromUtf8("ならば");
    w.Chigaeba = FromUtf8("違えば");
    w.Denakereba = FromUtf8("でなければ");
    w.Sore = FromUtf8("それ");
    w.Kaisu = FromUtf8("回数");
    w.Sono = FromUtf8("そ");
    w.Ga = FromUtf8("が");
    w.Ijou = FromUtf8("以上");
    w.Ika = FromUtf8("以下");
    w.ToHitoshii = FromUtf8("と等しい");
    w.Katsu = FromUtf8("かつ");
    w.Mataha = FromUtf8("または");
    w.Sonota = FromUtf8("その他");
    w.Undefined = "\\~" + FromUtf8("未定義");
    w.WorkFolder = FromUtf8("作業フォルダ");
    return w;
  }();
  return k;
}

}  // namespace nokari
