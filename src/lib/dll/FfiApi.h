// libffi, opened when the first call into a shared library needs it (see
// core/LazyLibrary.h). Include this instead of <ffi.h>.
#pragma once
#include <ffi.h>

#include "core/LazyLibrary.h"

// Every libffi function and type description the program uses.
#define NOKARI_FFI_NAMES(X) \
  X(ffi_call) \
  X(ffi_prep_cif) \
  X(ffi_type_pointer) \
  X(ffi_type_sint32) \
  X(ffi_type_uint16) \
  X(ffi_type_uint32) \
  X(ffi_type_void)

namespace nokari::dll {
// FfiApi(): the table, libffi opened and looked up at the first use.
NOKARI_LAZY_TABLE_DECLARE(FfiNames, FfiApi, NOKARI_FFI_NAMES)
}  // namespace nokari::dll

#ifndef NOKARI_FFI_API_TABLE
#define ffi_call (::nokari::dll::FfiApi().ffi_call)
#define ffi_prep_cif (::nokari::dll::FfiApi().ffi_prep_cif)
// The type descriptions are variables: the table holds their addresses.
#define ffi_type_pointer (*::nokari::dll::FfiApi().ffi_type_pointer)
#define ffi_type_sint32 (*::nokari::dll::FfiApi().ffi_type_sint32)
#define ffi_type_uint16 (*::nokari::dll::FfiApi().ffi_type_uint16)
#define ffi_type_uint32 (*::nokari::dll::FfiApi().ffi_type_uint32)
#define ffi_type_void (*::nokari::dll::FfiApi().ffi_type_void)
#endif
