#include "lib/cipher/Cipher.h"

namespace nokari::cipher {

std::string_view DefaultKey() {
  static const std::string key = "\x83\x88" "b" "\x83\x4e\x83\x8d" "d58" "\x82\xcb" "3Q?" "\x82\xca";
  return key;
}

std::string_view EntryKey() {
  static const std::string key = "<" "\x82\xc4\x82\xab" "#" "\x82\xce\x82\xdd" "\x81\x81" "?>>>";
  return key;
}

std::string_view ValueFileKey() {
  static const std::string key = "\x91\x44\x94\x95" "7qwERT9#?5" "\x8d\x60" "62" "\x83\x54" "gH" "\x83\x81" "X~?"
                                 "\x83\x5d";
  return key;
}

Keystream::Keystream(uint32_t seed) {
  state_[0] = seed & 0x7FFFFFFFu;
  for (int i = 1; i < 624; ++i) state_[i] = (state_[i - 1] & 0xFFu) * 69069u;
}

void Keystream::Regenerate() {
  constexpr uint32_t kUpper = 0x80000000u, kLower = 0x7FFFFFFFu, kMatrix = 0x9908B0DFu;
  for (int k = 0; k < 624; ++k) {
    uint32_t y = (state_[k] & kUpper) | (state_[(k + 1) % 624] & kLower);
    state_[k] = state_[(k + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
  }
  index_ = 0;
}

uint8_t Keystream::NextByte() {
  if (index_ >= 624) Regenerate();
  uint32_t y = state_[index_++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return static_cast<uint8_t>(y >> 24);
}

void Scramble(std::string& bytes, std::string_view key) {
  if (key.empty()) key = DefaultKey();
  Keystream stream(kSeed);
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(bytes[i]) ^ static_cast<uint8_t>(key[i % key.size()]);
    bytes[i] = static_cast<char>(b ^ stream.NextByte());
  }
}

std::string EncodeValueFile(std::string_view value) {
  if (value.empty()) return {};
  std::string out(4, '\0');
  uint32_t n = static_cast<uint32_t>(value.size());
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  out.append(value);
  Scramble(out, ValueFileKey());
  return out;
}

bool DecodeValueFile(std::string content, std::string& value) {
  value.clear();
  if (content.empty()) return true;
  Scramble(content, ValueFileKey());
  if (content.size() < 4) return false;
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= static_cast<uint32_t>(static_cast<uint8_t>(content[i])) << (8 * i);
  if (n > content.size() - 4) return false;
  value.assign(content, 4, n);
  return true;
}

}  // namespace nokari::cipher
