// Named 256-byte blocks that other programs (other scripts) can read: POSIX
// shared memory "/nokari.<name>", mode 0600. A block a run writes stays
// mapped until the run ends; the run that created it removes it then, so
// a block lives as long as its writer, and a later writer starts afresh.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace nokari::settings {

inline constexpr size_t kSharedBlockSize = 256;

// The object name for a script's name (CP932): letters, digits, "_" and
// "-" as they are, every other byte as %XX, never a "/".
std::string SharedObjectName(std::string_view name);

class SharedBlocks {
 public:
  ~SharedBlocks();
  // Writes `value` at the start of the block (its first 256 bytes; a
  // shorter value ends with a zero byte). False when the block cannot be
  // opened or made.
  bool Write(std::string_view name, std::string_view value);
  // The block's text up to its first zero byte; nothing when there is no
  // such block.
  static std::optional<std::string> Read(std::string_view name);

 private:
  struct Block {
    std::string Object;
    unsigned char* Bytes = nullptr;
    bool Created = false;
  };
  std::map<std::string, Block> blocks_;
};

}  // namespace nokari::settings
