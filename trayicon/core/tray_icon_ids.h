#pragma once
// The identifiers of the live tray icons that share one notification area,
// in ascending order: a new icon takes one more than the last (the first
// takes 1), so the highest identifier is free again once its icon has gone,
// while a gap lower down stays a gap.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace snx {

class TTrayIconIds {
 public:
  static constexpr int kCapacity = 100;

  int Count() const { return static_cast<int>(ids_.size()); }
  // The identifier for a new icon, or 0 when kCapacity icons live.
  std::int32_t Next() const {
    if (Count() >= kCapacity) return 0;
    return ids_.empty() ? 1 : ids_.back() + 1;
  }
  void Add(std::int32_t id) { ids_.push_back(id); }
  void Remove(std::int32_t id) { std::erase(ids_, id); }

 private:
  std::vector<std::int32_t> ids_;
};

}  // namespace snx
