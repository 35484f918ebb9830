// The rules of the dialog commands that do not depend on who answers: how
// choices are split, how a file filter is built from an extension, how a
// message is cut, how a font or colour answer reads and is written back.
// The commands use them, and so do the hosts that read answers as text
// (the console, an answers file), so every host reads an answer alike.
// All texts are CP932; nothing here touches the engine.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Services.h"

namespace nokari::dialog {

// A message box shows at most this many bytes of a text, then "...".
inline constexpr size_t kMessageBytes = 4095;
// ボタンで選択 shows at most this many buttons.
inline constexpr size_t kMaxButtons = 20;

// The text cut to kMessageBytes followed by "..." when longer; the cut
// falls before a double-byte character rather than through it.
std::string CutMessage(std::string_view text);

// Lines as a list holds them: split at CR LF, CR or LF; a final line break
// adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);
// どれか尋ねる and リストから選択: "｜" and "|" separate choices as line
// breaks do.
std::vector<std::string> SplitChoices(std::string_view text);
// ボタンで選択: the whole text trimmed, then one choice per line.
std::vector<std::string> SplitButtonChoices(std::string_view text);

// The filter of the file choosers: an argument holding "|" as it is;
// otherwise an extension (a leading "." dropped) gives
// "ext 形式(*.ext)|*.ext|全て(*.*)|*.*".
std::string BuildFilter(std::string_view arg);
// The save chooser's default extension: the filter's second field without
// a leading "*" and then without a leading ".".
std::string DefaultExtension(std::string_view filter);
// "desc|pattern|desc|pattern..." as pairs; a lone last description gets
// "*.*" for its pattern.
std::vector<FileFilter> ParseFilter(std::string_view filter);
// The name with "." + ext added when its last path element has no "." and
// ext is not empty or a wildcard.
std::string WithDefaultExtension(const std::string& name, const std::string& ext);

// フォント選択's result: face, then "|" and the style words 太字 傾斜 下線
// when any applies, then "|" and the size when positive (with an extra
// "|" when there was no style): face||12, face|太字傾斜|12.
std::string FontResult(const FontChoice& font);
// A font as a text answer gives it: the same form as FontResult gives
// (the style words of 文字書体 accepted too). None when the face is empty.
std::optional<FontChoice> ReadFontAnswer(std::string_view answer);

// 色選択's number: red in the low byte (0xBBGGRR) of a 0xRRGGBB colour.
int64_t ColorNumber(uint32_t rgb);
// 0xRRGGBB back from such a number.
uint32_t RgbOfColorNumber(int64_t number);
// A colour as a text answer gives it: "#RRGGBB", or a decimal colour
// number as 色選択 returns it. None for anything else.
std::optional<uint32_t> ReadColorAnswer(std::string_view answer);

// A list answer: a choice's own text, else its number (1-based), else, for
// an editable list, the text as typed. An empty answer is an empty result.
// None when the answer names no choice of a fixed list.
std::optional<std::string> PickChoice(const std::string& answer, const std::vector<std::string>& choices,
                                      bool editable);
// はい/y/yes/1 → 1, いいえ/n/no/0 → 0; with cancel, キャンセル/c/2 → 2.
// Blanks around it do not count, nor letter case or full width (ｙ).
// None for anything else.
std::optional<int> ReadYesNoAnswer(const std::string& answer, bool withCancel);

// Files named in one answer: separated by "|", each trimmed, empty ones
// dropped.
std::vector<std::string> SplitFileAnswer(const std::string& answer);

}  // namespace nokari::dialog
