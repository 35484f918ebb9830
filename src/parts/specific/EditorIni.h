// A Tエディタ's settings as INI entries, in the section named after the
// object. Every key starts with "noka":
//
//   nokaFontName      face (empty: the editor's own)
//   nokaFontSize      points, 1 to 200
//   nokaTabWidth      a tab's width in spaces, 1 to 32
//   nokaWordWrap      1 wraps long lines at the window's edge, 0 scrolls
//   nokaLineNumbers   1 shows line numbers beside the text
//   nokaTextColor     colour numbers, as scripts write them (0xBBGGRR,
//   nokaBackColor       decimal or $hex): text, background, and what the
//   nokaStringColor     highlighter colours: strings 「…」 "…" 『…』 and
//   nokaCommentColor    comments
//
// Reading takes each key that is present and readable and keeps the
// current value for the rest, so a file written by an older or newer
// version still applies what it can.
#pragma once
#include "core/Parts.h"
#include "lib/settings/IniFile.h"

namespace nokari::parts {

using settings::IniPairs;

IniPairs EditorSettingsEntries(const EditorSettings& settings);
EditorSettings EditorSettingsFrom(const IniPairs& entries, EditorSettings current);

}  // namespace nokari::parts
