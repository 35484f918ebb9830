#include "lib/path/PackedContainer.h"

namespace nokari {
namespace {

PackedContainerHook gHook = nullptr;

}  // namespace

void SetPackedContainerHook(PackedContainerHook hook) { gHook = hook; }

int PackedContainerCopy() { return gHook ? gHook() : -1; }

}  // namespace nokari
