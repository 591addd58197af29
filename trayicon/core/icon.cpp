#include "trayicon/core/icon.h"

#include <utility>

namespace snx {

void TIcon::SetImage(TIconImagePtr image) {
  image_ = std::move(image);
  if (OnChange) OnChange(nullptr);
}

void TIcon::Assign(const TIcon* other) { SetImage(other != nullptr ? other->image_ : nullptr); }

int TImageStore::Count() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(images_.size());
}

TIconImagePtr TImageStore::Get(int index) const {
  std::lock_guard guard(lock_);
  if (index < 0 || std::cmp_greater_equal(index, images_.size())) return nullptr;
  return images_[static_cast<std::size_t>(index)];
}

void TImageStore::Add(TIconImagePtr image) {
  std::lock_guard guard(lock_);
  images_.push_back(std::move(image));
}

void TImageStore::Delete(int index) {
  std::lock_guard guard(lock_);
  if (index < 0 || std::cmp_greater_equal(index, images_.size())) return;
  images_.erase(images_.begin() + index);
}

}  // namespace snx
