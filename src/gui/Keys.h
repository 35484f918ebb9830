// Keys as scripts know them: the virtual-key numbers of the keyboard the
// language was made on (押されたキー, key events of parts), from Qt's keys.
// Qt names the character a key makes; a virtual key names the key, so
// shifted symbols map back onto their unshifted key, as on a US keyboard.
#pragma once
#include <Qt>

namespace nokari {

// The virtual-key code of a Qt key; 0 when the key has none. The keypad
// modifier tells the number pad's digits and signs (96..111) from the
// main keys.
int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

}  // namespace nokari
