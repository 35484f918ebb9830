// An in-memory part service: every handle keeps what it was given and
// answers with it, so the parts family's rules (which kind has which
// property, conversions, placement, messages) can be tested without a
// window system. Tests read a handle's fields directly.
#pragma once
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Parts.h"

namespace nokari::test {

struct FakePart : PartHandle {
  PartKind Kind = PartKind::フォーム;
  FakePart* ParentPart = nullptr;
  std::vector<FakePart*>* ZOrder = nullptr;  // siblings, bottom first
  PartRect Rect{0, 0, 0, 0};
  PartRect Client{0, 0, 640, 400};  // for a container: its client area
  bool IsVisible = false, IsEnabled = true, Focusable = true, Focused = false;
  int Radius = 0;
  std::string Caption;
  PartFont CurrentFont{"", 9};
  ColorRef Fore = 0, Back = 0xFFFFFF;
  std::vector<std::string> ItemList;
  bool IsSorted = false;
  int Number = 0, Min = 0, Max = 100;
  bool IsVertical = false, IsEditable = true;
  int Start = 0, Length = 0, Col = 0, Row = 0;
  ScrollBarMode Bars = ScrollBarMode::None;
  bool Ime = true, Drops = false;
  std::string Picture;
  PartRect PictureRect;
  bool IsStretch = false, IsTransparent = false;
  std::vector<std::string> Frames;
  int Repeat = -1, Mode = 0;
  std::vector<std::vector<std::string>> Grid{{}};
  bool RowSelect = true, TitleSort = false;
  std::vector<TreeNode> Nodes;
  int SelectedNode = -1;
  std::vector<std::string> Tabs;
  TabSide Side = TabSide::Top;
  std::vector<TextRun> Runs;  // a リッチエディタ's document; Caption its plain text
  std::vector<std::pair<PartFont, ColorRef>> SelectionFormats;  // each one asked for
  EditorSettings Editor;
  int SettingsDialogs = 0;
  std::string Location;
  std::vector<std::string> History;  // ブラウザ: places before and after Location
  int HistoryAt = -1;
  std::string Keys;
  int Style = 2;
  WindowState State = WindowState::Normal;
  bool OnTop = false, Closed = false;

  PartRect Geometry() const override { return Rect; }
  void SetGeometry(const PartRect& r) override { Rect = r; }
  PartRect ParentClient() const override { return ParentPart ? ParentPart->Client : PartRect{0, 0, 800, 800}; }
  bool Visible() const override { return IsVisible; }
  void SetVisible(bool on) override { IsVisible = on; }
  bool Enabled() const override { return IsEnabled; }
  void SetEnabled(bool on) override { IsEnabled = on; }
  bool SetParent(PartHandle& container) override {
    ParentPart = static_cast<FakePart*>(&container);
    return true;
  }
  bool Holds(const PartHandle& part) const override { return static_cast<const FakePart&>(part).ParentPart == this; }
  void Raise() override { RaisedCount++; }
  void Lower() override { LoweredCount++; }
  bool Focus() override {
    Focused = Focusable && IsVisible && IsEnabled;
    return Focused;
  }
  void SetRoundedCorners(int radius) override { Radius = radius; }
  // Every character is 8 pixels wide (a double-byte one counts two bytes).
  int TextWidth(const std::string& text) const override { return 8 * static_cast<int>(text.size()); }
  std::string Text() const override { return Caption; }
  void SetText(const std::string& text) override {
    Caption = text;
    // A change from the script is reported, as a text widget's would be.
    if (ReportsChanges) {
      PartEvent change;
      change.Slot = 7;
      Fire(change);
    }
  }
  PartFont Font() const override { return CurrentFont; }
  void SetFont(const PartFont& font) override { CurrentFont = font; }
  ColorRef TextColor() const override { return Fore; }
  void SetTextColor(ColorRef c) override { Fore = c; }
  ColorRef BackColor() const override { return Back; }
  void SetBackColor(ColorRef c) override { Back = c; }
  std::vector<std::string> Items() const override { return ItemList; }
  void SetItems(const std::vector<std::string>& items) override { ItemList = items; }
  void SetItemText(int index, const std::string& text) override {
    if (index >= 0 && index < static_cast<int>(ItemList.size())) ItemList[index] = text;
  }
  bool Sorted() const override { return IsSorted; }
  void SetSorted(bool on) override { IsSorted = on; }
  int Value() const override { return Number; }
  void SetValue(int n) override { Number = n; }
  int Minimum() const override { return Min; }
  int Maximum() const override { return Max; }
  void SetRange(int minimum, int maximum) override {
    Min = minimum;
    Max = maximum;
  }
  bool Vertical() const override { return IsVertical; }
  void SetVertical(bool on) override { IsVertical = on; }
  bool Editable() const override { return IsEditable; }
  void SetEditable(bool on) override { IsEditable = on; }
  int SelStart() const override { return Start; }
  int SelLength() const override { return Length; }
  void SetSelection(int start, int length) override {
    Start = start;
    Length = length;
  }
  std::string SelectedText() const override {
    if (Start < 0 || Start > static_cast<int>(Caption.size())) return {};
    return Caption.substr(Start, Length);
  }
  void ReplaceSelection(const std::string& text) override {
    if (Start < 0 || Start > static_cast<int>(Caption.size())) return;
    Caption.replace(Start, Length, text);
    Length = static_cast<int>(text.size());
  }
  int Column() const override { return Col; }
  int Line() const override { return Row; }
  void SetColumn(int n) override { Col = n; }
  void SetLine(int n) override { Row = n; }
  ScrollBarMode ScrollBars() const override { return Bars; }
  void SetScrollBars(ScrollBarMode mode) override { Bars = mode; }
  void SetInputMethod(bool on) override { Ime = on; }
  void SetAcceptDrops(bool on) override { Drops = on; }
  // A picture file "w x h" is any name; a name containing "missing" fails.
  bool LoadPicture(const std::string& path) override {
    if (path.find("missing") != std::string::npos) return false;
    Picture = path;
    PictureRect = path.empty() ? PartRect{} : PartRect{0, 0, 32, 16};
    return true;
  }
  PartRect PictureSize() const override { return PictureRect; }
  bool Stretch() const override { return IsStretch; }
  void SetStretch(bool on) override { IsStretch = on; }
  bool Transparent() const override { return IsTransparent; }
  void SetTransparent(bool on) override { IsTransparent = on; }
  bool LoadFrames(const std::vector<std::string>& paths, bool append) override {
    if (!append) Frames.clear();
    for (const std::string& p : paths) {
      if (p.find("missing") != std::string::npos) return false;
      Frames.push_back(p);
    }
    return true;
  }
  void SetRepeatCount(int n) override { Repeat = n; }
  void SetButtonMode(int mode) override { Mode = mode; }
  std::vector<std::vector<std::string>> Cells() const override { return Grid; }
  void SetCells(const std::vector<std::vector<std::string>>& rows) override { Grid = rows; }
  int RowCount() const override { return static_cast<int>(Grid.size()); }
  void SetRowSelect(bool on) override { RowSelect = on; }
  void SetSortOnTitleClick(bool on) override { TitleSort = on; }
  std::vector<TreeNode> TreeNodes() const override { return Nodes; }
  void AddTreeNode(int parent, const std::string& caption) override {
    if (parent < 0) {
      Nodes.push_back({0, caption});
      return;
    }
    // After the parent's last descendant.
    size_t at = parent + 1;
    while (at < Nodes.size() && Nodes[at].Depth > Nodes[parent].Depth) ++at;
    Nodes.insert(Nodes.begin() + at, TreeNode{Nodes[parent].Depth + 1, caption});
  }
  void DeleteTreeNode(int index) override {
    if (index < 0 || index >= static_cast<int>(Nodes.size())) return;
    size_t end = index + 1;
    while (end < Nodes.size() && Nodes[end].Depth > Nodes[index].Depth) ++end;
    Nodes.erase(Nodes.begin() + index, Nodes.begin() + end);
  }
  void ClearTree() override { Nodes.clear(); }
  void ExpandTreeNode(int index, bool expand) override { Expanded.push_back(expand ? index : -2 - index); }
  int SelectedTreeNode() const override { return SelectedNode; }
  void SelectTreeNode(int index) override { SelectedNode = index; }
  void SetTreeNodeCaption(int index, const std::string& caption) override {
    if (index >= 0 && index < static_cast<int>(Nodes.size())) Nodes[index].Caption = caption;
  }
  std::vector<std::string> TabCaptions() const override { return Tabs; }
  void SetTabCaptions(const std::vector<std::string>& captions) override { Tabs = captions; }
  void AddTab(const std::string& caption) override { Tabs.push_back(caption); }
  TabSide TabPosition() const override { return Side; }
  void SetTabPosition(TabSide side) override { Side = side; }
  std::vector<TextRun> RichText() const override { return Runs; }
  void SetRichText(const std::vector<TextRun>& runs) override {
    Runs = runs;
    Caption.clear();
    for (const TextRun& run : runs) Caption += run.Text;
  }
  void SetSelectionFormat(const PartFont& font, ColorRef color) override {
    SelectionFormats.emplace_back(font, color);
  }
  EditorSettings Settings() const override { return Editor; }
  void ApplySettings(const EditorSettings& settings) override { Editor = settings; }
  bool EditSettings() override {
    ++SettingsDialogs;
    return false;
  }
  std::string Url() const override { return Location; }
  // Navigating drops the places ahead, as a browser's history does.
  void Navigate(const std::string& url) override {
    History.resize(HistoryAt + 1);
    History.push_back(url);
    HistoryAt = static_cast<int>(History.size()) - 1;
    Location = url;
  }
  void GoBack() override {
    if (HistoryAt > 0) Location = History[--HistoryAt];
  }
  void GoForward() override {
    if (HistoryAt + 1 < static_cast<int>(History.size())) Location = History[++HistoryAt];
  }
  // A shortcut text containing "missing" names no key.
  bool SetShortcut(const std::string& text) override {
    if (text.find("missing") != std::string::npos) return false;
    Keys = text;
    return true;
  }
  std::string Shortcut() const override { return Keys; }
  int FrameStyle() const override { return Style; }
  void SetFrameStyle(int style) override { Style = style; }
  void SetWindowState(WindowState state) override { State = state; }
  void SetStayOnTop(bool on) override { OnTop = on; }
  void Close() override {
    Closed = true;
    IsVisible = false;
  }

  void SetEventSink(PartEventSink sink) override { Sink = std::move(sink); }
  // The part reports an event as a widget would; true without a sink.
  bool Fire(const PartEvent& event) { return Sink ? Sink(event) : true; }

  int RaisedCount = 0, LoweredCount = 0;
  std::vector<int> Expanded;  // index expanded, or -2 - index collapsed
  PartEventSink Sink;
  bool ReportsChanges = false;
};

class FakePartService : public IPartService {
 public:
  FakePartService() {
    main_.Kind = PartKind::フォーム;
    main_.Rect = {100, 100, 640, 400};
    main_.IsVisible = true;
  }
  std::unique_ptr<PartHandle> Create(PartKind kind, PartHandle& parent) override {
    auto part = std::make_unique<FakePart>();
    part->Kind = kind;
    if (kind != PartKind::フォーム) part->ParentPart = static_cast<FakePart*>(&parent);
    part->Client = {0, 0, 300, 200};
    Created.push_back(part.get());
    return part;
  }
  PartHandle& MainWindow() override { return main_; }
  FakePart& Main() { return main_; }
  // A menu item hangs under its parent item (ParentPart), or in the menu
  // bar (ParentPart null).
  std::unique_ptr<PartHandle> CreateMenuItem(PartHandle* parentItem, const std::string& caption) override {
    auto item = std::make_unique<FakePart>();
    item->Kind = PartKind::メニュー;
    item->ParentPart = static_cast<FakePart*>(parentItem);
    item->Caption = caption;
    Created.push_back(item.get());
    MenuItems.push_back(item.get());
    return item;
  }

  std::vector<FakePart*> Created;    // every part made (dangling once destroyed)
  std::vector<FakePart*> MenuItems;  // the menu items among them, in order

 private:
  FakePart main_;
};

}  // namespace nokari::test
