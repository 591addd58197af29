#pragma once
// Icons and image lists as the tray component uses them. A picture belongs
// to the platform; holders share it and the last one to let go frees it, so
// an animation thread can keep showing a frame whose list has gone.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/events.h"

namespace snx {

// Icon handles are 32-bit values, as the 32-bit shell record carries them.
using TIconHandle = std::uint32_t;

class TIconImage {
 public:
  virtual ~TIconImage() = default;
  virtual TIconHandle Handle() const = 0;
};
using TIconImagePtr = std::shared_ptr<const TIconImage>;

class TIcon {
 public:
  TIconHandle Handle() const { return image_ ? image_->Handle() : 0; }
  bool Empty() const { return image_ == nullptr; }
  const TIconImagePtr& Image() const { return image_; }
  // Each of these fires OnChange.
  void SetImage(TIconImagePtr image);
  // Shares the other icon's picture; null empties this icon.
  void Assign(const TIcon* other);

  TNotifyEvent OnChange;

 private:
  TIconImagePtr image_;
};

// The pictures of an image list; safe to read from any thread.
class TImageStore {
 public:
  int Count() const;
  // The image at `index`, or null when there is no such image.
  TIconImagePtr Get(int index) const;
  void Add(TIconImagePtr image);
  void Delete(int index);

 private:
  mutable std::mutex lock_;
  std::vector<TIconImagePtr> images_;
};

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner) : TComponent(owner), store_(std::make_shared<TImageStore>()) {}

  int Count() const { return store_->Count(); }
  void AddIcon(const TIcon& icon) { store_->Add(icon.Image()); }
  void Delete(int index) { store_->Delete(index); }
  // The pictures, for a reader that may outlive this list.
  std::shared_ptr<const TImageStore> Store() const { return store_; }

 private:
  std::shared_ptr<TImageStore> store_;
};

}  // namespace snx
