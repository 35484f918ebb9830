// Byte-level reads and writes inside a value (バイナリ取得, バイナリ設定).
// Nothing outside the value's bytes is ever read or written.
#include <algorithm>
#include <cmath>
#include <string>

#include "lib/text/TextCore.h"

namespace nokari::text {

namespace {

bool Fits(size_t size, int64_t offset, size_t count) {
  return offset >= 0 && static_cast<uint64_t>(offset) <= size && count <= size - offset;
}

uint64_t ReadLe(std::string_view data, size_t offset, size_t count) {
  uint64_t v = 0;
  for (size_t k = count; k-- > 0;) v = (v << 8) | static_cast<unsigned char>(data[offset + k]);
  return v;
}

void WriteLe(std::string& data, size_t offset, size_t count, uint64_t v) {
  for (size_t k = 0; k < count; ++k, v >>= 8) data[offset + k] = static_cast<char>(v & 0xFF);
}

}  // namespace

BinaryForm ParseBinaryForm(std::string_view form) {
  std::string up(form);
  for (char& c : up)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (up == "CHAR") return BinaryForm::Char;
  if (up == "BYTE") return BinaryForm::Byte;
  if (up == "WORD") return BinaryForm::Word;
  if (up == "DWORD") return BinaryForm::DWord;
  if (up == "INT") return BinaryForm::Int;
  if (up == "CHAR*") return BinaryForm::CharPtr;
  return BinaryForm::Unknown;
}

BinaryRead ReadBinary(std::string_view data, int64_t offset, BinaryForm form) {
  BinaryRead r;
  if (form == BinaryForm::CharPtr) {
    if (offset < 0) return r;
    size_t from = std::min<uint64_t>(offset, data.size());
    size_t end = data.find('\0', from);
    r.Value = data.substr(from, (end == std::string_view::npos ? data.size() : end) - from);
    r.Ok = true;
    return r;
  }
  size_t count = form == BinaryForm::Word ? 2 : form == BinaryForm::DWord || form == BinaryForm::Int ? 4 : 1;
  if (form == BinaryForm::Unknown || !Fits(data.size(), offset, count)) return r;
  uint64_t v = ReadLe(data, static_cast<size_t>(offset), count);
  r.Ok = true;
  r.IsNumber = form != BinaryForm::Char;
  if (form == BinaryForm::Char) r.Value.assign(1, static_cast<char>(v));
  else if (form == BinaryForm::Int) r.Value = std::to_string(static_cast<int32_t>(static_cast<uint32_t>(v)));
  else r.Value = std::to_string(v);
  return r;
}

BinaryWrite WriteBinary(std::string& data, int64_t offset, BinaryForm form,
                        std::string_view value, long double number) {
  long double t = std::isnan(number) ? 0 : std::trunc(number);
  switch (form) {
    case BinaryForm::Char:
      if (!Fits(data.size(), offset, 1)) return BinaryWrite::OutOfValue;
      data[offset] = value.empty() ? '\0' : value[0];
      return BinaryWrite::Ok;
    case BinaryForm::Byte: {
      if (!Fits(data.size(), offset, 1)) return BinaryWrite::OutOfValue;
      // Only the low byte counts; reduce first so the cast is defined.
      long double low = std::fmod(t, 256.0L);
      data[offset] = static_cast<char>(static_cast<int>(low < 0 ? low + 256 : low));
      return BinaryWrite::Ok;
    }
    case BinaryForm::Word:
    case BinaryForm::DWord: {
      if (t < 0 || t > 4294967295.0L) return BinaryWrite::OutOfRange;
      size_t count = form == BinaryForm::Word ? 2 : 4;
      if (!Fits(data.size(), offset, count)) return BinaryWrite::OutOfValue;
      WriteLe(data, offset, count, static_cast<uint64_t>(t));
      return BinaryWrite::Ok;
    }
    case BinaryForm::Int:
      if (t < -2147483648.0L || t > 2147483647.0L) return BinaryWrite::OutOfRange;
      if (!Fits(data.size(), offset, 4)) return BinaryWrite::OutOfValue;
      WriteLe(data, offset, 4, static_cast<uint32_t>(static_cast<int32_t>(t)));
      return BinaryWrite::Ok;
    case BinaryForm::CharPtr:
      if (!Fits(data.size(), offset, value.size() + 1)) return BinaryWrite::OutOfValue;
      data.replace(offset, value.size(), value);
      data[offset + value.size()] = '\0';
      return BinaryWrite::Ok;
    case BinaryForm::Unknown:
      break;
  }
  return BinaryWrite::Ok;
}

}  // namespace nokari::text
