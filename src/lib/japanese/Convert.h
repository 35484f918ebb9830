// Pure conversions of Japanese text: character width and kana type, the
// three Japanese encodings (Shift-JIS, EUC-JP, ISO-2022-JP), BASE64, MIME
// header words and MBX mailboxes. Input and output are byte strings; text
// is CP932 unless a function says otherwise. No engine access.
#pragma once
#include <string>
#include <string_view>

namespace nokari {

// Width and kana (the locale mappings of a Japanese system).
// Full-width letters, digits, signs, space and katakana to half-width;
// voiced katakana split into base + ﾞ/ﾟ. Hiragana and kanji stay.
std::string ToHalfWidth(std::string_view text);
// ASCII and half-width katakana to full-width (ｶﾞ merges into ガ); "\" becomes "￥".
std::string ToFullWidth(std::string_view text);
// Only the fixed full-width set of digits, letters and signs to ASCII.
std::string AlnumHalfWidth(std::string_view text);
// Full-width katakana to hiragana, and back.
std::string ToHiragana(std::string_view text);
std::string ToKatakana(std::string_view text);
// The map applied to expressions and table conditions given as text:
// full-width operators, digits, letters and Japanese punctuation to ASCII
// ("≦" -> "<=", "、" -> ",", "「" -> '"', ...).
std::string ExpressionHalfWidth(std::string_view text);

// Encoding codes.
enum JCode : int {
  kCodeAscii = 0,
  kCodeBinary = 1,
  kCodeJisNew = 2,  // ESC $ B
  kCodeJisOld = 3,  // ESC $ @
  kCodeEuc = 4,
  kCodeSjis = 5,
  kCodeEucOrSjis = 6,
  // Named only (文字コード変換 "UTF8"/"UTF-8", and the guess of
  // LooksLikeUtf8Text); DetectCode never answers it, so scripts that test
  // its codes see what they always saw.
  kCodeUtf8 = 7,
  // Named only too ("UTF-16", "UNICODE"): little-endian, as Windows
  // programs write it ("Unicode テキスト"), with a byte-order mark when
  // written; a big-endian mark is honoured when read.
  kCodeUtf16 = 8,
};

int DetectCode(std::string_view bytes);
// "EUC" -> 4, "JIS" -> 2, "UTF8"/"UTF-8" -> 7, "UTF-16" -> 8, anything
// else -> 5
// (upper-cased first).
int CodeFromName(std::string_view name);
// Converts between two codes; unchanged when there is nothing to convert.
// UTF-8 crosses through CP932: a character with no CP932 form gets its
// stand-in on the way in (core/Encoding.h) and comes back from it on the
// way out; a leading byte-order mark is dropped. The caller checks
// that UTF-8 input is valid (IsValidUtf8) before asking.
std::string ConvertCode(std::string_view bytes, int from, int to);
// True for text that is UTF-8 rather than CP932: a UTF-8 byte-order mark,
// or valid UTF-8 holding a three- or four-byte character, or holding
// two-byte ones where CP932 cannot read the text.
bool LooksLikeUtf8Text(std::string_view bytes);
// Whether the text starts with a UTF-16 byte-order mark (FF FE or FE FF).
bool HasUtf16Mark(std::string_view bytes);
// ConvertCode(bytes, DetectCode(bytes), to).
std::string ConvertDetected(std::string_view bytes, int to);

std::string SjisToJis(std::string_view s);
std::string SjisToEuc(std::string_view s);
std::string EucToSjis(std::string_view s);
std::string EucToJis(std::string_view s);
std::string JisToSjis(std::string_view s);
std::string JisToEuc(std::string_view s);

// Single characters: JIS X 0208 row/cell (0x2121..0x7E7E) <-> Shift-JIS code.
unsigned JisToSjisCode(unsigned jis);
// The JIS code of a Shift-JIS character after the NEC-selected substitution
// of IBM extensions; 0 when it has no JIS form (user-defined, unassigned).
unsigned SjisToJisCode(unsigned sjis);

// BASE64 (standard alphabet, "=" padding, no line breaks).
std::string Base64Encode(std::string_view bytes);
// Ignores CR, LF and "="; false on any other character outside the alphabet.
bool Base64Decode(std::string_view text, std::string& out);

// MIME header words in ISO-2022-JP / BASE64.
std::string MailHeaderEncode(std::string_view sjis);
std::string MailHeaderDecode(std::string_view header);

// Takes the first message (up to and including a line ".") out of an MBX
// text; `mbx` keeps the rest.
std::string MbxTakeMessage(std::string& mbx);

}  // namespace nokari
