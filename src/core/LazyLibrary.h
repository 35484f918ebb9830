// A system library opened when a command first needs it, instead of being
// linked. Linked, a library and everything it brings are loaded and
// relocated at every start, whether the script uses them or not: libcurl
// (with TLS, Kerberos, LDAP, SSH …), libarchive (with ICU and the
// compressors), SQLite and Xlib were three quarters of a one-line script's
// start-up.
//
// A family lists the functions it calls in one X-macro list and includes a
// header that declares a table of them (see lib/net/CurlApi.h); the table
// is filled on first use, and the functions' names, defined as that
// table's entries, keep every call site as the library's own API reads.
#pragma once
#include <string>

namespace nokari {

class LazyLibrary {
 public:
  // `soname` as the loader finds it (libcurl.so.4): the version the
  // program was built against.
  explicit LazyLibrary(const char* soname) : soname_(soname) {}
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;
  // The function's address; raises (ENoka, "ライブラリ…") when the library
  // or the function cannot be found. The library stays open for good.
  void* Function(const char* name);

 private:
  const char* soname_;
  void* handle_ = nullptr;
};

// A family's table: `struct Type` with a pointer for each X(name) of the
// list, and `const Type& Name()`, which fills it from the library the first
// time (a failure leaves it unfilled, to be tried again at the next use).
#define NOKARI_LAZY_POINTER(name) decltype(&::name) name = nullptr;
#define NOKARI_LAZY_LOAD(name) table.name = reinterpret_cast<decltype(table.name)>(library.Function(#name));
#define NOKARI_LAZY_TABLE_DECLARE(Type, Name, LIST) \
  struct Type {                                    \
    LIST(NOKARI_LAZY_POINTER)                      \
  };                                               \
  const Type& Name();
#define NOKARI_LAZY_TABLE_DEFINE(Type, Name, soname, LIST) \
  const Type& Name() {                                     \
    static Type table;                                     \
    static bool filled = false;                            \
    if (!filled) {                                         \
      static LazyLibrary library(soname);                  \
      LIST(NOKARI_LAZY_LOAD)                               \
      filled = true;                                       \
    }                                                      \
    return table;                                          \
  }

}  // namespace nokari
