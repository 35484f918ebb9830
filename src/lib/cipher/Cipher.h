// The scrambling shared by the value files of 暗号化して保存 and the
// entries of merged files: each byte is XORed with a key byte and with the
// top byte of the next draw of a Mersenne Twister seeded in its own way.
//
// It scrambles, it does not encrypt: the keys are fixed texts and the
// keystream depends on one byte of the seed, so anyone with this program
// reads the data. It keeps casual readers out and stays readable by every
// version of the program; nothing more may be promised of it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace nokari::cipher {

// The keys, as CP932 bytes.
std::string_view DefaultKey();    // when the key given is empty
std::string_view EntryKey();      // merged-file entries flagged 1
std::string_view ValueFileKey();  // 暗号化して保存

// The keystream: MT19937 with the cipher's seeding (word 0 = seed AND
// 0x7FFFFFFF, each further word = (previous AND 0xFF) × 69069). Each
// scramble starts a fresh one, so no state carries from call to call.
class Keystream {
 public:
  explicit Keystream(uint32_t seed);
  // The top byte of the next 32-bit draw.
  uint8_t NextByte();

 private:
  void Regenerate();
  uint32_t state_[624];
  int index_ = 624;
};

// The seed of every scramble (low byte not 0: a seed whose low byte is 0
// would give an all-zero keystream).
inline constexpr uint32_t kSeed = 0x3B9AC9D5u;

// Scrambles `bytes` in place with `key` (the default key when empty). Its
// own inverse.
void Scramble(std::string& bytes, std::string_view key);

// A value file: the scrambled form of the value's length (4 bytes, little
// endian) and its bytes; an empty value is an empty file.
std::string EncodeValueFile(std::string_view value);
// False when the content is not a value file (a length beyond the data).
bool DecodeValueFile(std::string content, std::string& value);

}  // namespace nokari::cipher
