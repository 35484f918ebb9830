// How property values are read and written: the readings every property
// shares (numbers, int with a default, colours, flags, item lists,
// coordinates, font texts) and the two errors of properties.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parts/PartKinds.h"

namespace nokari::parts {

// "number": the language's reading of the text, truncated toward zero (and
// held to 32 bits).
int NumberOf(std::string_view text);
// "int(d)": a decimal integer text, anything else gives d.
int IntOr(std::string_view text, int d);
// "colour": "#RRGGBB" (red, green, blue; each pair hexadecimal, a pair
// that is not reads as 0) becomes the colour number 0x00BBGGRR; any other
// text is int(d). The one colour reading of properties and drawing.
ColorRef ColourOf(std::string_view text, int64_t d);
// The same for the engine: in debug mode a text that reads as no colour
// (「$0000FF」 in quotes, a leading blank, a full-width ＃) is warned of,
// since it silently draws in colour d.
ColorRef ColourOf(TNokaBase& e, std::string_view text, int64_t d);
// "flag": int(0) is not 0.
bool FlagOf(std::string_view text);

// Items of a list text: lines ended by CR LF, CR or LF (a final line end
// adds none). JoinItems writes each followed by CR LF, as list results are.
std::vector<std::string> SplitItems(std::string_view text);
std::string JoinItems(const std::vector<std::string>& items);

// Coordinates "(x,y)" or "x,y" (a pair of backquotes around them and a
// bracket around the whole are removed): `count` values (2 for a point, 4
// for a rectangle), each evaluated and read as a number. None when the
// text does not give exactly `count` values; more than four values raise
// "座標の指定エラー。引数が多すぎます。".
std::optional<std::vector<int>> ReadCoordinates(TNokaBase& e, std::string_view text, size_t count);
// "(x,y)" and "(x1,y1,x2,y2)": how positions are read back.
std::string PointText(int x, int y);
std::string RectText(int x1, int y1, int x2, int y2);

// A font text "face|style words|size" ("｜" too): style words
// 太字/ボールド, 傾斜/イタリック/斜体, 下線/罫線/アンダーライン; a size
// absent or 0 gives `defaultPoints`. The face is kept as written (trimmed);
// the window layer finds the installed face for it.
PartFont ReadFontSpec(std::string_view spec, int defaultPoints);
// The installed face a font text's face names: compared full-width, upper
// case and without spaces with each of `installed`; none matching (or an
// empty face) gives the fallback face ＭＳ ゴシック.
inline constexpr char kFallbackFace[] = "ＭＳ ゴシック";
std::string InstalledFace(std::string_view face, const std::vector<std::string>& installed);

// The value text of a setter evaluated (a literal, a variable, an
// expression).
std::string Evaluated(Part& part, const std::string& raw);
// The kind name of the part (CP932).
std::string KindNameOf(const Part& part);

// "オブジェクト"%s"("%s")の設定項目"%s"は未定義です。"
[[noreturn]] void RaiseUndefinedProperty(Part& part, Prop p);
// "オブジェクト"%s"の設定は、未定義です。"
[[noreturn]] void RaiseSettingUndefined(Part& part);

}  // namespace nokari::parts
