// The libFuzzer entry of one target: NOKARI_FUZZ_ENTRY names the target's
// function (set per binary by CMake).
#include <cstddef>
#include <cstdint>

int NOKARI_FUZZ_ENTRY(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return NOKARI_FUZZ_ENTRY(data, size);
}
