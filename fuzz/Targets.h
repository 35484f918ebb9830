// Every fuzz target: its short name (the folder names under fuzz/ and the
// binary name <name>_fuzz) and its entry function.
#pragma once
#include <cstddef>
#include <cstdint>

#define NOKARI_FUZZ_TARGETS(X)      \
  X(prepare, NokariFuzzPrepare)     \
  X(engine, NokariFuzzEngine)       \
  X(expr, NokariFuzzExpr)           \
  X(calls, NokariFuzzCalls)         \
  X(csv, NokariFuzzCsv)             \
  X(regex, NokariFuzzRegex)         \
  X(path, NokariFuzzPath)

#define NOKARI_DECLARE_FUZZ_ENTRY(name, fn) int fn(const uint8_t* data, size_t size);
NOKARI_FUZZ_TARGETS(NOKARI_DECLARE_FUZZ_ENTRY)
#undef NOKARI_DECLARE_FUZZ_ENTRY
