#include "gui/Keys.h"

#include <algorithm>
#include <iterator>

namespace nokari {
namespace {

struct KeyPair {
  int Qt, Vk;
};

// Keys that are neither letters, digits nor function keys, sorted by Qt
// key for the binary search. Shifted symbols share their key's number.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Space, 32},       {'!', '1'},  {'"', 222},  {'#', '3'},  {'$', '4'},  {'%', '5'},
    {'&', '7'},                {'\'', 222}, {'(', '9'},  {')', '0'},  {'*', '8'},  {'+', 187},
    {',', 188},                {'-', 189},  {'.', 190},  {'/', 191},  {':', 186},  {';', 186},
    {'<', 188},                {'=', 187},  {'>', 190},  {'?', 191},  {'@', '2'},  {'[', 219},
    {'\\', 220},               {']', 221},  {'^', '6'},  {'_', 189},  {'`', 192},  {'{', 219},
    {'|', 220},                {'}', 221},  {'~', 192},  {Qt::Key_yen, 220},
    {Qt::Key_Escape, 27},      {Qt::Key_Tab, 9},           {Qt::Key_Backtab, 9},
    {Qt::Key_Backspace, 8},    {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},
    {Qt::Key_Insert, 45},      {Qt::Key_Delete, 46},       {Qt::Key_Pause, 19},
    {Qt::Key_Print, 44},       {Qt::Key_SysReq, 44},       {Qt::Key_Clear, 12},
    {Qt::Key_Home, 36},        {Qt::Key_End, 35},          {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},          {Qt::Key_Right, 39},        {Qt::Key_Down, 40},
    {Qt::Key_PageUp, 33},      {Qt::Key_PageDown, 34},     {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},     {Qt::Key_Meta, 91},         {Qt::Key_Alt, 18},
    {Qt::Key_CapsLock, 20},    {Qt::Key_NumLock, 144},     {Qt::Key_ScrollLock, 145},
    {Qt::Key_Menu, 93},        {Qt::Key_Help, 47},
    {Qt::Key_Back, 166},       {Qt::Key_Forward, 167},     {Qt::Key_Stop, 169},
    {Qt::Key_Refresh, 168},    {Qt::Key_VolumeDown, 174},  {Qt::Key_VolumeMute, 173},
    {Qt::Key_VolumeUp, 175},   {Qt::Key_MediaPlay, 179},   {Qt::Key_MediaStop, 178},
    {Qt::Key_MediaPrevious, 177}, {Qt::Key_MediaNext, 176}, {Qt::Key_MediaTogglePlayPause, 179},
    {Qt::Key_AltGr, 18},       {Qt::Key_Kanji, 25},        {Qt::Key_Muhenkan, 29},
    {Qt::Key_Henkan, 28},      {Qt::Key_Zenkaku_Hankaku, 25},
};

constexpr bool Sorted() {
  for (size_t i = 1; i < std::size(kKeys); ++i)
    if (kKeys[i - 1].Qt >= kKeys[i].Qt) return false;
  return true;
}
static_assert(Sorted(), "kKeys must stay sorted by Qt key");

// The number pad: digits and the signs beside them.
int KeypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 96 + (key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Comma: return 108;  // the separator key
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period: return 110;
    case Qt::Key_Slash: return 111;
    default: return 0;
  }
}

}  // namespace

int VirtualKeyOf(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier)
    if (int vk = KeypadKey(key)) return vk;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // 'A'..'Z' either case
  if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  auto it = std::lower_bound(std::begin(kKeys), std::end(kKeys), key,
                             [](const KeyPair& p, int k) { return p.Qt < k; });
  return it != std::end(kKeys) && it->Qt == key ? it->Vk : 0;
}

}  // namespace nokari
