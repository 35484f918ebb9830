// Windows and keys on X11: EWMH for the window list and activation, XTest
// for the keys.
#include "lib/programs/X11Windows.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/Cp932.h"
#include "core/Encoding.h"

// Xlib last: its macros (None, Bool, Status ...) stay out of the headers above.
#include "lib/programs/X11Api.h"

namespace nokari::programs {
namespace {

// Time for the receiving program to take in what was sent: a changed
// keyboard map must be read before the key that uses it arrives, and the
// first key after an activation was lost without a pause.
constexpr std::chrono::milliseconds kSettle{30};
// A program reads a changed keyboard map only when it takes in the next
// key, however late: the spare keys keep what they were lent for as long
// as the connection lasts, and get their old map back only at its end,
// after a longer pause.
constexpr std::chrono::milliseconds kLastSettle{200};

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Windows may vanish between listing and use: their errors are ignored
// while we talk to the server (Xlib's default handler would end the process).
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* d) : d_(d), old_(XSetErrorHandler(IgnoreXError)) {}
  ~XErrorTrap() {
    XSync(d_, False);
    XSetErrorHandler(old_);
  }
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

 private:
  Display* d_;
  XErrorHandler old_;
};

// A title in CP932 cut to 255 bytes on a character boundary.
std::string TitleText(const std::string& utf8) {
  std::string t = FromUtf8(utf8);
  if (t.size() <= 255) return t;
  size_t end = 0;
  while (end < t.size()) {
    size_t len = CharLenAt(t, end);
    if (end + len > 255) break;
    end += len;
  }
  t.resize(end);
  return t;
}

}  // namespace

int PickWindow(const std::vector<std::string>& titles, std::string_view wanted) {
  for (size_t k = 0; k < titles.size(); ++k)
    if (titles[k] == wanted) return static_cast<int>(k);
  for (size_t k = 0; k < titles.size(); ++k)
    if (titles[k].compare(0, wanted.size(), wanted) == 0) return static_cast<int>(k);
  return -1;
}

struct X11Desktop::Impl {
  Display* D = nullptr;
  Window Root = 0;
  Atom ClientList = 0, ClientListStacking = 0, ActiveWindow = 0, WmName = 0, Utf8 = 0, WmCheck = 0;

  // The keyboard map, read afresh for each typing.
  int MinCode = 0, MaxCode = 0, PerCode = 0;
  std::vector<KeySym> Map;
  // Keys with nothing on them, chosen once, lent in turn to characters the
  // map lacks. A key must not change again before the receiving program
  // has read its last press: taking them in turn leaves each one time.
  struct SpareKey {
    KeyCode Code;
    std::vector<KeySym> Before;  // what it carried (nothing, unless no key was free)
    KeySym Now = NoSymbol;
  };
  std::vector<SpareKey> Spares;
  size_t NextSpare = 0;

  ~Impl() {
    if (!D) return;
    {
      XErrorTrap trap(D);
      GiveBackSpares();
    }
    XCloseDisplay(D);
  }

  // A window property of 32-bit items (windows), as a list.
  std::vector<Window> WindowList(Window w, Atom property) {
    std::vector<Window> out;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(D, w, property, 0, 65536, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
      if (type == XA_WINDOW && format == 32) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);  // Xlib hands out longs
        out.assign(items, items + count);
      }
      XFree(data);
    }
    return out;
  }

  // Whether a window manager that speaks EWMH runs.
  bool HasManager() {
    std::vector<Window> check = WindowList(Root, WmCheck);
    return !check.empty() && check[0] != 0;
  }

  std::string TitleOf(Window w) {
    std::string title;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(D, w, WmName, 0, 1024, False, Utf8, &type, &format, &count, &after, &data) == Success &&
        data) {
      if (type == Utf8 && format == 8) title.assign(reinterpret_cast<const char*>(data), count);
      XFree(data);
    }
    if (!title.empty()) return title;
    XTextProperty text{};
    if (XGetWMName(D, w, &text) && text.value) {
      char** list = nullptr;
      int n = 0;
      if (Xutf8TextPropertyToTextList(D, &text, &list, &n) >= Success && list) {
        if (n > 0 && list[0]) title = list[0];
        XFreeStringList(list);
      }
      XFree(text.value);
    }
    return title;
  }

  bool Viewable(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(D, w, &a) && a.map_state == IsViewable;
  }

  // Without a window manager's list: the root's shown children, topmost
  // first, each titled by itself or by a child (a frame holding a client).
  std::vector<std::pair<Window, std::string>> TreeWindows() {
    std::vector<std::pair<Window, std::string>> out;
    Window rootRet, parent;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(D, Root, &rootRet, &parent, &children, &n)) return out;
    for (unsigned int k = n; k-- > 0;) {
      Window w = children[k];
      if (!Viewable(w)) continue;
      std::string title = TitleOf(w);
      if (title.empty()) {
        Window* inner = nullptr;
        unsigned int m = 0;
        if (XQueryTree(D, w, &rootRet, &parent, &inner, &m)) {
          for (unsigned int j = 0; j < m && title.empty(); ++j) title = TitleOf(inner[j]);
          if (inner) XFree(inner);
        }
      }
      out.emplace_back(w, title);
    }
    if (children) XFree(children);
    return out;
  }

  void ReadKeyboardMap() {
    XDisplayKeycodes(D, &MinCode, &MaxCode);
    int count = MaxCode - MinCode + 1;
    KeySym* syms = XGetKeyboardMapping(D, static_cast<KeyCode>(MinCode), count, &PerCode);
    Map.assign(syms, syms + count * PerCode);
    XFree(syms);
    // The spares: up to 16 of the highest keys with nothing on them (else
    // the highest key).
    if (!Spares.empty()) return;
    for (int code = MaxCode; code >= MinCode && Spares.size() < 16; --code) {
      bool empty = true;
      for (int j = 0; j < PerCode; ++j) empty = empty && Map[(code - MinCode) * PerCode + j] == NoSymbol;
      if (empty) Spares.push_back({static_cast<KeyCode>(code), std::vector<KeySym>(PerCode, NoSymbol)});
    }
    if (Spares.empty()) {
      auto first = Map.begin() + (MaxCode - MinCode) * PerCode;
      Spares.push_back({static_cast<KeyCode>(MaxCode), std::vector<KeySym>(first, first + PerCode)});
    }
  }

  bool IsSpare(int code) const {
    for (const SpareKey& k : Spares)
      if (k.Code == code) return true;
    return false;
  }

  // The key giving a keysym unshifted (level 0) or shifted (level 1).
  bool FindKey(KeySym sym, KeyCode& code, bool& shifted) {
    for (int level = 0; level < 2 && level < PerCode; ++level)
      for (int c = MinCode; c <= MaxCode; ++c)
        if (Map[(c - MinCode) * PerCode + level] == sym && !IsSpare(c)) {
          code = static_cast<KeyCode>(c);
          shifted = level == 1;
          return true;
        }
    return false;
  }

  void Key(KeyCode code, bool down) {
    XTestFakeKeyEvent(D, code, down ? True : False, CurrentTime);
    XSync(D, False);
  }

  void Tap(KeyCode code) {
    Key(code, true);
    Key(code, false);
  }

  // A spare key carrying `sym` on every level.
  KeyCode Lend(KeySym sym) {
    for (const SpareKey& k : Spares)
      if (k.Now == sym) return k.Code;
    SpareKey& k = Spares[NextSpare];
    NextSpare = (NextSpare + 1) % Spares.size();
    // Its last press may not have been read yet.
    if (k.Now != NoSymbol) std::this_thread::sleep_for(kSettle);
    std::vector<KeySym> syms(PerCode, sym);
    XChangeKeyboardMapping(D, k.Code, PerCode, syms.data(), 1);
    XSync(D, False);
    k.Now = sym;
    std::this_thread::sleep_for(kSettle);
    return k.Code;
  }

  void GiveBackSpares() {
    bool lent = false;
    for (const SpareKey& k : Spares) lent = lent || k.Now != NoSymbol;
    if (!lent) return;
    std::this_thread::sleep_for(kLastSettle);
    for (SpareKey& k : Spares) {
      if (k.Now == NoSymbol) continue;
      XChangeKeyboardMapping(D, k.Code, PerCode, k.Before.data(), 1);
      k.Now = NoSymbol;
    }
    XSync(D, False);
  }

  KeyCode CodeOf(KeySym sym) {
    KeyCode code;
    bool shifted;
    if (FindKey(sym, code, shifted)) return code;
    return Lend(sym);
  }

  void TypeChar(uint32_t cp) {
    // Latin-1 characters are their own keysyms; the rest use the Unicode ones.
    KeySym sym = (cp >= 0x20 && cp <= 0x7e) || (cp >= 0xa0 && cp <= 0xff) ? cp : 0x01000000 | cp;
    KeyCode code;
    bool shifted = false;
    if (!FindKey(sym, code, shifted)) {
      Tap(Lend(sym));
      return;
    }
    KeyCode shift = shifted ? CodeOf(keysym::kShift) : 0;
    if (shift) Key(shift, true);
    Tap(code);
    if (shift) Key(shift, false);
  }
};

X11Desktop::X11Desktop(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
X11Desktop::~X11Desktop() = default;

std::unique_ptr<X11Desktop> X11Desktop::Connect() {
  const char* name = getenv("DISPLAY");
  if (!name || !*name) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->D = XOpenDisplay(name);
  if (!impl->D) return nullptr;
  int event, error, major, minor;
  if (!XTestQueryExtension(impl->D, &event, &error, &major, &minor)) return nullptr;
  impl->Root = DefaultRootWindow(impl->D);
  impl->ClientList = XInternAtom(impl->D, "_NET_CLIENT_LIST", False);
  impl->ClientListStacking = XInternAtom(impl->D, "_NET_CLIENT_LIST_STACKING", False);
  impl->ActiveWindow = XInternAtom(impl->D, "_NET_ACTIVE_WINDOW", False);
  impl->WmName = XInternAtom(impl->D, "_NET_WM_NAME", False);
  impl->Utf8 = XInternAtom(impl->D, "UTF8_STRING", False);
  impl->WmCheck = XInternAtom(impl->D, "_NET_SUPPORTING_WM_CHECK", False);
  return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(impl)));
}

std::vector<X11Desktop::TopWindow> X11Desktop::Windows() {
  Impl& x = *impl_;
  XErrorTrap trap(x.D);
  std::vector<TopWindow> out;
  std::vector<Window> clients;
  if (x.HasManager()) {
    // Stacking order is bottom first; the list the manager keeps in the
    // order the windows came stands in when that is missing.
    clients = x.WindowList(x.Root, x.ClientListStacking);
    if (clients.empty()) clients = x.WindowList(x.Root, x.ClientList);
    else std::reverse(clients.begin(), clients.end());
  }
  if (clients.empty()) {
    for (auto& [w, title] : x.TreeWindows())
      if (!title.empty()) out.push_back({w, TitleText(title)});
    return out;
  }
  for (Window w : clients) {
    std::string title = x.TitleOf(w);
    if (!title.empty()) out.push_back({w, TitleText(title)});
  }
  return out;
}

void X11Desktop::RequestActivation(unsigned long window, bool insist) {
  Impl& x = *impl_;
  XErrorTrap trap(x.D);
  if (x.HasManager()) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = x.ActiveWindow;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2;  // asked for by the user's tool, as a pager does: not refused as focus stealing
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.D, x.Root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    if (!insist) return;
  }
  XMapRaised(x.D, window);
  XSetInputFocus(x.D, window, RevertToParent, CurrentTime);
}

bool X11Desktop::IsActive(unsigned long window) {
  Impl& x = *impl_;
  XErrorTrap trap(x.D);
  if (x.HasManager()) {
    std::vector<Window> active = x.WindowList(x.Root, x.ActiveWindow);
    return !active.empty() && active[0] == window;
  }
  // Without a manager: the focus is in the window or in one of its children.
  Window focus = 0;
  int revert;
  XGetInputFocus(x.D, &focus, &revert);
  while (focus && focus != PointerRoot && focus != x.Root) {
    if (focus == window) return true;
    Window rootRet, parent;
    Window* children = nullptr;
    unsigned int n;
    if (!XQueryTree(x.D, focus, &rootRet, &parent, &children, &n)) return false;
    if (children) XFree(children);
    focus = parent;
  }
  return false;
}

void X11Desktop::Type(const std::vector<KeyAction>& keys) {
  Impl& x = *impl_;
  XErrorTrap trap(x.D);
  x.ReadKeyboardMap();
  for (const KeyAction& k : keys) {
    switch (k.Type) {
      case KeyAction::kDown: x.Key(x.CodeOf(k.Value), true); break;
      case KeyAction::kUp: x.Key(x.CodeOf(k.Value), false); break;
      case KeyAction::kTap: x.Tap(x.CodeOf(k.Value)); break;
      case KeyAction::kChar: x.TypeChar(k.Value); break;
    }
  }
  std::this_thread::sleep_for(kSettle);
}

}  // namespace nokari::programs
