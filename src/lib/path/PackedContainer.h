// A packed program's whole container, lent to a second Nokari that 起動
// starts on one of its packed scripts, so the script finds its packed
// files there too (-resource). The host's packed-file module provides it.
#pragma once

namespace nokari {

// Returns a new descriptor of an anonymous file holding a copy of the
// container, open and inherited by programs started afterwards (no
// close-on-exec); -1 when the run has no packed files. The caller closes it.
using PackedContainerHook = int (*)();
void SetPackedContainerHook(PackedContainerHook hook);
int PackedContainerCopy();

}  // namespace nokari
