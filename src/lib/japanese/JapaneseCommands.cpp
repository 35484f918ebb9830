// Japanese text conversion commands: thin wrappers over Convert.h.
#include "lib/japanese/Convert.h"
#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "lib/japanese/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

using Conversion = std::string (*)(std::string_view);

// Every command of this family takes one text and leaves text in それ.
template <Conversion F>
void CmdConvert(TNokaBase& e) {
  std::string text = PopArgValue(e);
  SetSoreTyped(e, F(text), "s");
}

// 文字コードを…に変換: from the detected encoding. An empty text gives ""
// (never a stale それ). Linux files are mostly UTF-8, which the detection
// of the three Japanese encodings would take for Shift-JIS: UTF-8 text is
// recognised first when Shift-JIS is asked for.
template <int Target>
void CmdToCode(TNokaBase& e) {
  std::string text = PopArgValue(e);
  std::string out;
  // A UTF-16 file (Windows programs' "Unicode") says so by its mark.
  if (HasUtf16Mark(text)) out = ConvertCode(text, kCodeUtf16, Target);
  else if (Target == kCodeSjis && LooksLikeUtf8Text(text)) out = ConvertCode(text, kCodeUtf8, kCodeSjis);
  else if (!text.empty()) out = ConvertDetected(text, Target);
  SetSoreTyped(e, std::move(out), "s");
}

// 文字コード変換 (?の,?から,?へ): between named encodings. Text said to be
// UTF-8 must be: a silent best guess would corrupt it.
void CmdConvertNamed(TNokaBase& e) {
  std::string to = PopArgValue(e);
  std::string from = PopArgValue(e);
  std::string text = PopArgValue(e);
  int fromCode = CodeFromName(from);
  if (fromCode == kCodeUtf8 && !IsValidUtf8(text)) RaiseError(e, msg::kNotUtf8Text, {});
  SetSoreTyped(e, ConvertCode(text, fromCode, CodeFromName(to)), "s");
}

// A text that is not BASE64 gives "".
void CmdBase64Decode(TNokaBase& e) {
  std::string text = PopArgValue(e);
  std::string out;
  if (!Base64Decode(text, out)) out.clear();
  SetSoreTyped(e, std::move(out), "s");
}

// MBXメッセージ取得 (?から): the variable keeps the messages after the first.
void CmdMbxMessage(TNokaBase& e) {
  THashNode* box = PopArgWord(e, false);
  std::string rest = box->Value;
  std::string message = MbxTakeMessage(rest);
  box->SetValue(std::move(rest));
  SetSoreTyped(e, std::move(message), "s");
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::半角変換, CmdConvert<ToHalfWidth>},
    {Id::全角変換, CmdConvert<ToFullWidth>},
    {Id::英数半角変換, CmdConvert<AlnumHalfWidth>},
    {Id::ひらがな変換, CmdConvert<ToHiragana>},
    {Id::カタカナ変換, CmdConvert<ToKatakana>},
    {Id::文字コードをEUCに変換, CmdToCode<kCodeEuc>},
    {Id::文字コードをJISに変換, CmdToCode<kCodeJisNew>},
    {Id::文字コードをSJISに変換, CmdToCode<kCodeSjis>},
    {Id::文字コード変換, CmdConvertNamed},
    {Id::BASE64エンコード, CmdConvert<Base64Encode>},
    {Id::BASE64デコード, CmdBase64Decode},
    {Id::メールヘッダエンコード, CmdConvert<MailHeaderEncode>},
    {Id::メールヘッダデコード, CmdConvert<MailHeaderDecode>},
    {Id::MBXメッセージ取得, CmdMbxMessage},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/japanese/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kJapaneseFamily{"japanese", kCommands, kMessages};

}  // namespace nokari
