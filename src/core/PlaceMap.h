// A map from places in prepared texts (character pointers) to what was read
// there once. Lookups happen at every statement, so a small direct-mapped
// table of recent hits sits in front of the map: a hit costs a multiply and
// a compare instead of the map's division and chain walk.
#pragma once
#include <array>
#include <cstdint>
#include <unordered_map>
#include <utility>

namespace nokari {

template <class T>
class PlaceMap {
 public:
  PlaceMap() = default;
  PlaceMap(PlaceMap&& other) noexcept : map_(std::move(other.map_)) { other.clear(); }
  PlaceMap& operator=(PlaceMap&& other) noexcept {
    map_ = std::move(other.map_);
    front_.fill({});
    other.clear();
    return *this;
  }
  PlaceMap(const PlaceMap&) = delete;
  PlaceMap& operator=(const PlaceMap&) = delete;

  // The entry at p, or null. Entries never move while they are in the map.
  T* Find(const char* p) {
    Slot& slot = front_[Index(p)];
    if (slot.key == p && p) return slot.value;
    auto it = map_.find(p);
    if (it == map_.end()) return nullptr;
    slot = {p, &it->second};
    return &it->second;
  }
  // Adds an entry unless one is there already; returns the entry kept.
  T& Emplace(const char* p, T value) {
    T& kept = map_.emplace(p, std::move(value)).first->second;
    front_[Index(p)] = {p, &kept};
    return kept;
  }
  // Adds or replaces the entry at p.
  T& Set(const char* p, T value) {
    T& kept = map_.insert_or_assign(p, std::move(value)).first->second;
    front_[Index(p)] = {p, &kept};
    return kept;
  }
  size_t size() const { return map_.size(); }
  void clear() {
    map_.clear();
    front_.fill({});
  }

 private:
  static constexpr int kFrontBits = 10;
  static size_t Index(const char* p) {
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(p) * 0x9E3779B97F4A7C15ull) >> (64 - kFrontBits));
  }
  struct Slot {
    const char* key = nullptr;
    T* value = nullptr;
  };
  std::array<Slot, size_t{1} << kFrontBits> front_{};
  std::unordered_map<const char*, T> map_;
};

}  // namespace nokari
