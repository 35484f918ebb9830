// The widgets behind GUI parts, seen from below the window layer.
//
// A part (ボタン, エディタ, リスト ...) is a record in the object list
// (TObjNode, words/Hash.h) that owns one PartHandle: the widget itself,
// which only the window layer (src/gui, Qt) knows how to make. The rules of
// the language (which kind has which property, conversions, defaults,
// placement, messages) live in the parts family (src/parts); a handle only
// performs: it moves, shows, holds a text or a list, and reports what it
// holds. So the family can be tested on an in-memory service, and a new
// window system is one new set of handles.
//
// Every text is CP932; handles convert at their edge. Colours are the
// language's colour numbers (ColorRef, 0x00BBGGRR). Sizes are pixels.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

struct TNokaBase;
struct THashNode;
class ICanvas;
class IGraphics;

// The 22 kinds of part, in the order of the kind table (a kind's number is
// what 種類 compares and what the records keep).
enum class PartKind : int {
  ボタン = 0,
  エディタ,
  イメージ,
  バー,
  コンボ,
  リスト,
  メモ,
  フォーム,
  グリッド,
  ラベル,
  チェック,
  トラック,
  アニメ,
  メニュー,
  ブラウザ,
  パネル,
  Tエディタ,
  ラジオ,
  スクロール,
  タブページ,
  ツリー,
  リッチエディタ,
};
inline constexpr int kPartKindCount = 22;

using ColorRef = uint32_t;  // 0x00BBGGRR, as scripts write colour numbers

struct PartRect {
  int X = 0, Y = 0, W = 0, H = 0;
  bool operator==(const PartRect&) const = default;
};

// A font as the script names it: face, points and style words.
struct PartFont {
  std::string Face;  // CP932
  int Points = 9;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  bool operator==(const PartFont&) const = default;
};

enum class ScrollBarMode { None, Vertical, Horizontal, Both };
enum class WindowState { Normal, Maximized, Minimized };

// One node of a tree in pre-order: its depth (0 at the top) and caption.
struct TreeNode {
  int Depth = 0;
  std::string Caption;
  bool operator==(const TreeNode&) const = default;
};

// A stretch of rich text in one look (リッチエディタ): its CP932 text
// (line ends CR LF), font and colour. A document is a list of runs.
struct TextRun {
  std::string Text;
  PartFont Font;
  ColorRef Color = 0;
  bool operator==(const TextRun&) const = default;
};

// Where a タブページ shows its tabs.
enum class TabSide { Top, Bottom, Left, Right };

// What a Tエディタ user sets for the editor: the font, how text is laid
// out, and the colours of the highlighter. Colours are colour numbers.
struct EditorSettings {
  std::string Face;  // CP932; empty: the widget's own
  int Points = 10;
  int TabWidth = 4;  // in spaces
  bool WordWrap = false;
  bool LineNumbers = false;
  ColorRef TextColor = 0x000000, BackColor = 0xFFFFFF;
  ColorRef StringColor = 0x000080, CommentColor = 0x008000;
  bool operator==(const EditorSettings&) const = default;
};

// What happened on a part, as the window layer saw it. Slot numbers are
// the object record's event slots: 1 click, 2 double click, 3 mouse
// pressed, 4 mouse released, 5 key pressed, 6 key released, 7 change, 8
// mouse moved, 9 files dropped.
struct PartEvent {
  int Slot = 1;
  bool HasMouse = false;  // X and Y hold the mouse position
  int X = 0, Y = 0;       // relative to the part (a フォーム: its client)
  int Key = 0;            // key events: the virtual-key code
  // The active shift states, each on its own line in this order: "Shift",
  // "Alt", "Ctrl", "Left", "Right", "Middle", "Double"; no final line end.
  std::string Shift;
  std::string Files;      // files dropped: CP932 paths, one per line
  std::string Url;        // a ブラウザ about to navigate: where to
};

// Receives a part's events. It runs inside the window system's own event
// handling, so it must only note and queue (never run the script there).
// Its answer matters only for a ブラウザ's navigation: false cancels it.
using PartEventSink = std::function<bool(const PartEvent& event)>;

// One widget. Geometry is relative to the parent's client area; for a
// フォーム it is the window's position on the screen and its client size.
// Methods a kind has no use for keep their defaults (nothing happens, an
// empty or zero answer): the parts family decides which kinds reach which
// method, so a default is never what a script sees for a property its kind
// has.
class PartHandle {
 public:
  virtual ~PartHandle() = default;

  // --- every part -------------------------------------------------------
  virtual PartRect Geometry() const = 0;
  virtual void SetGeometry(const PartRect& r) = 0;
  // Width and height of the area the part sits in (the parent's client),
  // for centring.
  virtual PartRect ParentClient() const = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool on) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool on) = 0;
  // Moves the part onto another container (a フォーム, パネル, スクロール
  // or タブページ; for a タブページ onto its active page, or the control
  // itself when it has no page). Geometry stays relative to the new parent.
  // False when the window system refuses.
  virtual bool SetParent(PartHandle& container) = 0;
  // Whether `part` stands on this container (a タブページ: on its active
  // page).
  virtual bool Holds(const PartHandle& /*part*/) const { return false; }
  virtual void Raise() = 0;
  virtual void Lower() = 0;
  // Keyboard focus; a フォーム is brought to the front and activated.
  // False when the part cannot take the focus (hidden, disabled).
  virtual bool Focus() = 0;
  // Rounded corners of that radius (a mask); 0 removes them.
  virtual void SetRoundedCorners(int /*radius*/) {}
  // Pixel width of a text in the part's font (the button width rule).
  virtual int TextWidth(const std::string& text) const = 0;
  // Where the part's events go (the parts family sets it once the part is
  // registered; a destroyed part's sink is cleared). Events come from the
  // user (clicks, keys, mouse, drops); change events (slot 7) also from
  // changes a script makes, but never re-enter while one is being
  // reported.
  virtual void SetEventSink(PartEventSink /*sink*/) {}

  // --- text, font, colours ------------------------------------------------
  // The caption or the contents (メモ: all lines joined by CR LF).
  virtual std::string Text() const { return {}; }
  virtual void SetText(const std::string& /*text*/) {}
  virtual PartFont Font() const { return {}; }
  virtual void SetFont(const PartFont& /*font*/) {}
  virtual ColorRef TextColor() const { return 0; }
  virtual void SetTextColor(ColorRef /*c*/) {}
  virtual ColorRef BackColor() const { return 0xFFFFFF; }
  virtual void SetBackColor(ColorRef /*c*/) {}

  // --- lists (コンボ, リスト, ラジオ) ------------------------------------
  virtual std::vector<std::string> Items() const { return {}; }
  virtual void SetItems(const std::vector<std::string>& /*items*/) {}
  virtual void SetItemText(int /*index*/, const std::string& /*text*/) {}
  virtual bool Sorted() const { return false; }
  virtual void SetSorted(bool /*on*/) {}

  // --- the part's number --------------------------------------------------
  // バー, トラック: position; コンボ, リスト, ラジオ: selected index (-1
  // none); チェック: 1/0; タブページ: active page; グリッド: current row;
  // アニメ: frame interval in ms. The family checks ranges before setting.
  virtual int Value() const { return 0; }
  virtual void SetValue(int /*n*/) {}
  virtual int Minimum() const { return 0; }
  virtual int Maximum() const { return 0; }
  virtual void SetRange(int /*minimum*/, int /*maximum*/) {}
  virtual bool Vertical() const { return false; }
  virtual void SetVertical(bool /*on*/) {}

  // --- editing ------------------------------------------------------------
  // Whether the user may edit (エディタ, メモ, Tエディタ, リッチエディタ:
  // not read-only; コンボ: editable drop-down; グリッド: cell editing;
  // ツリー: labels editable).
  virtual bool Editable() const { return false; }
  virtual void SetEditable(bool /*on*/) {}
  // Selection in characters (a CP932 character counts one).
  virtual int SelStart() const { return 0; }
  virtual int SelLength() const { return 0; }
  virtual void SetSelection(int /*start*/, int /*length*/) {}
  virtual std::string SelectedText() const { return {}; }
  virtual void ReplaceSelection(const std::string& /*text*/) {}
  // Caret column and line (メモ, リッチエディタ, Tエディタ); グリッド:
  // current column and row.
  virtual int Column() const { return 0; }
  virtual int Line() const { return 0; }
  virtual void SetColumn(int /*n*/) {}
  virtual void SetLine(int /*n*/) {}
  virtual ScrollBarMode ScrollBars() const { return ScrollBarMode::None; }
  virtual void SetScrollBars(ScrollBarMode /*mode*/) {}
  // Input-method state: enabled or not (the modes beyond on/off are kept
  // by the family).
  virtual void SetInputMethod(bool /*on*/) {}
  virtual void SetAcceptDrops(bool /*on*/) {}

  // --- pictures (イメージ, フォーム's img, ボタン, アニメ) ---------------
  // Loads a picture file (CP932 path); false when it cannot be read.
  // An empty path removes the picture.
  virtual bool LoadPicture(const std::string& /*path*/) { return false; }
  // The picture's size after loading (0 × 0 without one).
  virtual PartRect PictureSize() const { return {}; }
  virtual bool Stretch() const { return false; }
  virtual void SetStretch(bool /*on*/) {}
  virtual bool Transparent() const { return false; }
  virtual void SetTransparent(bool /*on*/) {}
  // The picture the drawing commands paint on (core/Canvas.h): 母艦's
  // surface, an イメージ's picture, a フォーム's img. Null for kinds
  // without one.
  virtual ICanvas* Canvas() { return nullptr; }

  // --- アニメ ---------------------------------------------------------------
  // Frames from picture files, replacing (append = false) or adding; the
  // animation restarts. False when a file cannot be read.
  virtual bool LoadFrames(const std::vector<std::string>& /*paths*/, bool /*append*/) { return false; }
  virtual void SetRepeatCount(int /*n*/) {}
  virtual void SetButtonMode(int /*mode*/) {}

  // --- グリッド: row 0 is the fixed header row ----------------------------
  virtual std::vector<std::vector<std::string>> Cells() const { return {}; }
  virtual void SetCells(const std::vector<std::vector<std::string>>& /*rows*/) {}
  virtual int RowCount() const { return 0; }
  virtual void SetRowSelect(bool /*on*/) {}
  virtual void SetSortOnTitleClick(bool /*on*/) {}

  // --- ツリー: nodes addressed by their pre-order index -----------------
  virtual std::vector<TreeNode> TreeNodes() const { return {}; }
  // Adds a child with that caption under the node at `parent` (-1: top
  // level) as its last child.
  virtual void AddTreeNode(int /*parent*/, const std::string& /*caption*/) {}
  virtual void DeleteTreeNode(int /*index*/) {}
  virtual void ClearTree() {}
  // Expands or collapses the node and everything below it.
  virtual void ExpandTreeNode(int /*index*/, bool /*expand*/) {}
  // Whether the node is expanded (false for a node that is none).
  virtual bool TreeNodeExpanded(int /*index*/) const { return false; }
  virtual int SelectedTreeNode() const { return -1; }
  virtual void SelectTreeNode(int /*index*/) {}
  virtual void SetTreeNodeCaption(int /*index*/, const std::string& /*caption*/) {}

  // --- タブページ ---------------------------------------------------------
  virtual std::vector<std::string> TabCaptions() const { return {}; }
  // One page per caption: existing pages re-captioned in order, missing
  // pages added, surplus pages removed.
  virtual void SetTabCaptions(const std::vector<std::string>& /*captions*/) {}
  // A new last page with that caption.
  virtual void AddTab(const std::string& /*caption*/) {}
  virtual TabSide TabPosition() const { return TabSide::Top; }
  virtual void SetTabPosition(TabSide /*side*/) {}

  // --- リッチエディタ -------------------------------------------------------
  // The document as runs of one look each (adjacent runs differ).
  virtual std::vector<TextRun> RichText() const { return {}; }
  // Replaces the document.
  virtual void SetRichText(const std::vector<TextRun>& /*runs*/) {}
  // The selected text takes that font and colour (nothing without a
  // selection; the caret then types with them).
  virtual void SetSelectionFormat(const PartFont& /*font*/, ColorRef /*color*/) {}

  // --- Tエディタ -------------------------------------------------------------
  virtual EditorSettings Settings() const { return {}; }
  virtual void ApplySettings(const EditorSettings& /*settings*/) {}
  // The editor's settings dialog, modal; true when the user confirmed it
  // (the settings are then applied).
  virtual bool EditSettings() { return false; }

  // --- ブラウザ -------------------------------------------------------------
  virtual std::string Url() const { return {}; }
  virtual void Navigate(const std::string& /*url*/) {}
  // Through the history; nothing at its end.
  virtual void GoBack() {}
  virtual void GoForward() {}

  // --- メニュー -----------------------------------------------------------
  // The shortcut key from its text ("Ctrl+S": modifiers and a key name
  // joined by +), as the window system spells keys; an empty text removes
  // it. False when the text names no key.
  virtual bool SetShortcut(const std::string& /*text*/) { return false; }
  virtual std::string Shortcut() const { return {}; }

  // --- フォーム -------------------------------------------------------------
  // Frame style: 0 none, 1 single, 2 sizeable, 3 dialog.
  virtual int FrameStyle() const { return 2; }
  virtual void SetFrameStyle(int /*style*/) {}
  virtual void SetWindowState(WindowState /*state*/) {}
  virtual WindowState GetWindowState() const { return WindowState::Normal; }
  virtual void SetStayOnTop(bool /*on*/) {}
  // Closes a フォーム (hides it; the record stays).
  virtual void Close() {}
};

// Makes the widgets. The window layer implements it (Qt); tests use an
// in-memory one.
class IPartService {
 public:
  virtual ~IPartService() = default;
  // A new, hidden part of that kind on `parent` (a フォーム is a top-level
  // window and ignores it). Never null.
  virtual std::unique_ptr<PartHandle> Create(PartKind kind, PartHandle& parent) = 0;
  // The main window 母艦, object 0, owned by the service.
  virtual PartHandle& MainWindow() = 0;
  // The main window when the service has it already, without making it: a
  // service that loads its window system on demand answers null until then.
  virtual PartHandle* MainWindowIfMade() { return &MainWindow(); }
  // A menu item with that caption ("-": a separator) at the end of the
  // menu of `parentItem`, or of the menu bar when null (the bar appears
  // with its first item). Its Text is the caption, Value the check mark,
  // its click comes as slot 1. Never null.
  // (The default makes a plain メニュー part: for services without menus.)
  virtual std::unique_ptr<PartHandle> CreateMenuItem(PartHandle* parentItem, const std::string& caption) {
    auto item = Create(PartKind::メニュー, parentItem ? *parentItem : MainWindow());
    item->SetText(caption);
    return item;
  }
  // Fonts, scratch canvases and the rest of drawing's needs beyond one
  // canvas (core/Canvas.h); null for a service without drawing.
  virtual IGraphics* Graphics() { return nullptr; }
};

// What the interpreter asks of the object model when a script reads or
// writes an object word (kind 4): the parts family installs it (its
// family's Install hook) and the value layer calls it. A fresh engine has
// none; the value layer then reports the object as having no value.
class IObjectModel {
 public:
  virtual ~IObjectModel() = default;
  // An object name used as a value (ボタン1): the part's main value; sets
  // e.CurrentType.
  virtual std::string ReadObject(TNokaBase& e, THashNode& word) = 0;
  // オブジェクト名は値: `valueText` is the evaluated value.
  virtual void AssignObject(TNokaBase& e, THashNode& word, const std::string& value) = 0;
  // ボタン1のテキスト: a property read; sets e.CurrentType.
  virtual std::string ReadProperty(TNokaBase& e, THashNode& word, const std::string& property) = 0;
  // ボタン1のテキストは値: `rawValue` is the value text unevaluated (each
  // property evaluates it as it needs; event properties take it raw).
  virtual void AssignProperty(TNokaBase& e, THashNode& word, const std::string& property,
                              const std::string& rawValue) = 0;
  // A statement 「B1の、クリックした時」 whose verb is an event property:
  // true when `verb` names one (the event has then been performed).
  virtual bool PerformEventStatement(TNokaBase& e, const std::string& objectPhrase, const std::string& verb) = 0;
  // Whether `name` (CP932) is a property of the vocabulary (okurigana
  // folded): the value layer reads ボタン1のテキスト, written as one word,
  // as ボタン1の、テキスト when this holds.
  virtual bool IsProperty(std::string_view /*name*/) { return false; }
};

}  // namespace nokari
