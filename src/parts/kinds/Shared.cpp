#include "parts/kinds/Shared.h"

#include <algorithm>

#include "core/Errors.h"
#include "lib/path/Path.h"
#include "lib/text/TextCore.h"
#include "parts/Messages.h"

namespace nokari::parts {

// --- values -----------------------------------------------------------------

std::string FlagText(bool on) { return on ? "1" : "0"; }

std::string GetStored(Part& part) { return part.Word.Value; }

void Store(Part& part, const std::string& value) { part.Word.SetValue(value); }

void RefuseSetting(Part& part, const std::string&) { RaiseSettingUndefined(part); }

std::string ReadText(Part& part) { return part.Control.Text(); }

void AssignText(Part& part, const std::string& value) { part.Control.SetText(value); }

void SelectItem(Part& part, int n) {
  int count = static_cast<int>(part.Control.Items().size());
  if (n >= 0 && n < count) part.Control.SetValue(n);
}

std::string ReadSelectedIndex(Part& part) { return FormatInt(part.Control.Value()); }

std::string SelectedItemText(const PartHandle& control) {
  std::vector<std::string> items = control.Items();
  int n = control.Value();
  return n >= 0 && n < static_cast<int>(items.size()) ? items[n] : std::string();
}

void ReplaceSelectedItem(PartHandle& control, const std::string& text) {
  int n = control.Value();
  if (n >= 0 && n < static_cast<int>(control.Items().size())) control.SetItemText(n, text);
}

namespace {

// The file a picture name stands for; blanks around it are no part of a
// file name (the stored value keeps them, as given).
std::string PictureFile(Part& part, const std::string& name) {
  std::string trimmed = text::TrimBlanks(name);
  if (trimmed.empty() || trimmed == Sj("クリップボード")) return trimmed;
  return ResolveReadName(part.E, trimmed);
}

}  // namespace

void LoadPictureOf(Part& part, const std::string& name) {
  if (!part.Control.LoadPicture(PictureFile(part, name))) RaiseError(part.E, msg::kPictureUnreadable, {name});
}

void LoadFramesOf(Part& part, const std::string& names, bool append) {
  std::vector<std::string> files = SplitItems(names);
  std::erase_if(files, [](const std::string& name) { return text::TrimBlanks(name).empty(); });
  if (files.empty()) {
    if (!append) part.Control.LoadFrames({}, false);
    return;
  }
  // One file at a time, so a failure names the file that could not be
  // read; the frames before it stay.
  for (const std::string& name : files) {
    if (!part.Control.LoadFrames({PictureFile(part, name)}, append))
      RaiseError(part.E, msg::kPictureUnreadable, {name});
    append = true;
  }
}

// --- text -------------------------------------------------------------------

std::string GetText(Part& part) { return part.Control.Text(); }

void SetText(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  Store(part, value);
  part.Control.SetText(value);
}

// --- fonts ------------------------------------------------------------------
//
// A font reads back as it was asked for: the face name the script gave
// (not the face the window system substituted for it), its points and
// colour number.

namespace {

int TextSizeSetting(Part& part) { return IntOr(VarValue(part.E, "文字サイズ"), 12); }

}  // namespace

std::string GetFontFace(Part& part) { return part.Control.Font().Face; }

void SetFontFace(Part& part, const std::string& raw) {
  part.Control.SetFont(ReadFontSpec(Evaluated(part, raw), TextSizeSetting(part)));
}

std::string GetFontSize(Part& part) { return FormatInt(part.Control.Font().Points); }

void SetFontSize(Part& part, const std::string& raw) {
  PartFont font = part.Control.Font();
  // A size of no points is no size: the default 9 as for a text that is
  // no number.
  int points = IntOr(Evaluated(part, raw), 9);
  font.Points = points > 0 ? points : 9;
  part.Control.SetFont(font);
}

std::string GetFontColour(Part& part) { return FormatInt(part.Control.TextColor()); }

void SetFontColour(Part& part, const std::string& raw) { part.Control.SetTextColor(ColourOf(part.E, Evaluated(part, raw), 0)); }

// --- colours ------------------------------------------------------------------

// Read back signed, so the "no colour" −1 a script may give reads as −1
// (a real colour number is below 2^24 and reads the same either way).
std::string GetBackColour(Part& part) { return FormatInt(static_cast<int32_t>(part.Control.BackColor())); }

void SetBackColour(Part& part, const std::string& raw) { part.Control.SetBackColor(ColourOf(part.E, Evaluated(part, raw), -1)); }

// --- selection ----------------------------------------------------------------
//
// Positions and lengths count characters (a double-byte character is one),
// as the edit controls do.

std::string GetSelText(Part& part) { return part.Control.SelectedText(); }

void SetSelText(Part& part, const std::string& raw) { part.Control.ReplaceSelection(Evaluated(part, raw)); }

std::string GetSelStart(Part& part) { return FormatInt(part.Control.SelStart()); }

// Moving the start empties the selection, as placing the caret does; a
// script that wants a range sets 選択文字数 after it. Before the text's
// start is the start.
void SetSelStart(Part& part, const std::string& raw) {
  part.Control.SetSelection(std::max(NumberOf(Evaluated(part, raw)), 0), 0);
}

std::string GetSelLength(Part& part) { return FormatInt(part.Control.SelLength()); }

void SetSelLength(Part& part, const std::string& raw) {
  part.Control.SetSelection(part.Control.SelStart(), std::max(NumberOf(Evaluated(part, raw)), 0));
}

// --- caret --------------------------------------------------------------------

std::string GetColumn(Part& part) { return FormatInt(part.Control.Column()); }

void SetColumn(Part& part, const std::string& raw) { part.Control.SetColumn(NumberOf(Evaluated(part, raw))); }

std::string GetLine(Part& part) { return FormatInt(part.Control.Line()); }

void SetLine(Part& part, const std::string& raw) { part.Control.SetLine(NumberOf(Evaluated(part, raw))); }

// --- input method ---------------------------------------------------------------

// The widget knows only on and off; the mode number stays in the record,
// which is what reading IME gives back.
std::string GetIme(Part& part) { return FormatInt(part.Node.ImeMode); }

void SetIme(Part& part, const std::string& raw) {
  int n = NumberOf(Evaluated(part, raw));
  part.Node.ImeMode = n >= 1 && n <= 4 ? n : 0;
  part.Control.SetInputMethod(part.Node.ImeMode != 0);
}

// --- editing, scroll bars, pictures ---------------------------------------------

std::string GetEditable(Part& part) { return FlagText(part.Control.Editable()); }

void SetEditable(Part& part, const std::string& raw) { part.Control.SetEditable(FlagOf(Evaluated(part, raw))); }

std::string GetScrollBars(Part& part) {
  switch (part.Control.ScrollBars()) {
    case ScrollBarMode::Vertical: return Sj("縦");
    case ScrollBarMode::Horizontal: return Sj("横");
    case ScrollBarMode::Both: return Sj("両方");
    default: return {};
  }
}

void SetScrollBars(Part& part, const std::string& raw) {
  std::string v = Evaluated(part, raw);
  ScrollBarMode mode = v == Sj("縦")     ? ScrollBarMode::Vertical
                       : v == Sj("横")   ? ScrollBarMode::Horizontal
                       : v == Sj("両方") ? ScrollBarMode::Both
                                         : ScrollBarMode::None;
  part.Control.SetScrollBars(mode);
}

std::string GetStretch(Part& part) { return FlagText(part.Control.Stretch()); }

void SetStretch(Part& part, const std::string& raw) { part.Control.SetStretch(IntOr(Evaluated(part, raw), 0) > 0); }

std::string GetTransparent(Part& part) { return FlagText(part.Control.Transparent()); }

void SetTransparent(Part& part, const std::string& raw) {
  part.Control.SetTransparent(NumberOf(Evaluated(part, raw)) > 0);
}

// Stored only once loaded: a picture that failed leaves the word as it was.
void SetPicture(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  LoadPictureOf(part, value);
  Store(part, value);
}

// --- lists ----------------------------------------------------------------------

std::string GetItems(Part& part) { return JoinItems(part.Control.Items()); }

void SetItems(Part& part, const std::string& raw) { part.Control.SetItems(SplitItems(Evaluated(part, raw))); }

std::string GetListValue(Part& part) { return ReadSelectedIndex(part); }

void SetListValue(Part& part, const std::string& raw) { SelectItem(part, NumberOf(Evaluated(part, raw))); }

std::string GetSelectedItem(Part& part) { return SelectedItemText(part.Control); }

void SetSelectedItem(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  Store(part, value);
  ReplaceSelectedItem(part.Control, value);
}

std::string GetSorted(Part& part) { return FlagText(part.Control.Sorted()); }

void SetSorted(Part& part, const std::string& raw) { part.Control.SetSorted(FlagOf(Evaluated(part, raw))); }

}  // namespace nokari::parts
