#include "core/Keywords.h"

#include "core/Encoding.h"

namespace nokari {

// Converted once each, so in one call of iconv each (FromUtf8).
const Keywords& Kw() {
  static const Keywords k = [] {
    Keywords w;
    w.No = FromUtf8("の", false);
    w.Ha = FromUtf8("は", false);
    w.Kai = FromUtf8("回", false);
    w.NoToki = FromUtf8("の時", false);
    w.Te = FromUtf8("て", false);
    w.Moshi = FromUtf8("もし", false);
    w.Soshite = FromUtf8("そして", false);
    w.Kurikaesu = FromUtf8("繰返", false);
    w.Hanpuku = FromUtf8("反復", false);
    w.Loop = FromUtf8("ループ", false);
    w.Nara = FromUtf8("なら", false);
    w.Naraba = FromUtf8("ならば", false);
    w.Chigaeba = FromUtf8("違えば", false);
    w.Denakereba = FromUtf8("でなければ", false);
    w.Sore = FromUtf8("それ", false);
    w.Kaisu = FromUtf8("回数", false);
    w.Sono = FromUtf8("そ", false);
    w.Ga = FromUtf8("が", false);
    w.Ijou = FromUtf8("以上", false);
    w.Ika = FromUtf8("以下", false);
    w.ToHitoshii = FromUtf8("と等しい", false);
    w.Miman = FromUtf8("未満", false);
    w.YoriOokii = FromUtf8("より大きい", false);
    w.YoriChiisai = FromUtf8("より小さい", false);
    w.Igai = FromUtf8("以外", false);
    w.Katsu = FromUtf8("かつ", false);
    w.Mataha = FromUtf8("または", false);
    w.Sonota = FromUtf8("その他", false);
    w.Undefined = "\\~" + FromUtf8("未定義");
    w.WorkFolder = FromUtf8("作業フォルダ", false);
    return w;
  }();
  return k;
}

}  // namespace nokari
