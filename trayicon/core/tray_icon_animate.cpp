#include "trayicon/core/tray_icon_animate.h"

#include <optional>

#include "trayicon/core/tray_icon.h"

namespace snx {

TTrayIconAnimate::TTrayIconAnimate(TTrayIcon& tray_icon)
    : frame_icon_(std::make_unique<TIcon>()), tray_icon_(&tray_icon), thread_([this] { Execute(); }) {}

TTrayIconAnimate::~TTrayIconAnimate() {
  {
    std::lock_guard guard(lock_);
    terminated_ = true;
    changed_.notify_all();
  }
  thread_.join();
}

void TTrayIconAnimate::WakeIfParked() {
  if (parked_ == TPark::pkRunning) return;
  wake_ = true;
  changed_.notify_all();
}

void TTrayIconAnimate::Park(std::unique_lock<std::mutex>& lock, TPark kind) {
  parked_ = kind;
  changed_.notify_all();
  changed_.wait(lock, [this] { return wake_ || terminated_; });
  wake_ = false;
  parked_ = TPark::pkRunning;
}

void TTrayIconAnimate::Play(TAnimateMode mode, std::shared_ptr<const TImageStore> images) {
  std::lock_guard guard(lock_);
  tray_icon_->animating_ = true;
  tray_icon_->animate_mode_ = mode;
  images_ = std::move(images);
  WakeIfParked();
}

void TTrayIconAnimate::Step() {
  std::lock_guard guard(lock_);
  if (tray_icon_->animating_ && tray_icon_->animate_mode_ == TAnimateMode::amManual) WakeIfParked();
}

void TTrayIconAnimate::ModeChange() {
  std::lock_guard guard(lock_);
  if (!tray_icon_->animating_) return;
  if (tray_icon_->animate_mode_ == TAnimateMode::amManual) {
    tray_icon_->animate_mode_ = TAnimateMode::amAutomatic;
    WakeIfParked();
  } else {
    tray_icon_->animate_mode_ = TAnimateMode::amManual;
  }
}

void TTrayIconAnimate::Stop() {
  std::unique_lock lock(lock_);
  if (!tray_icon_->animating_) return;
  tray_icon_->animating_ = false;
  WakeIfParked();
  // Parked between manual frames or still pausing is not enough: the thread
  // must have seen the stop and gone back to frame 0.
  changed_.wait(lock, [this] { return parked_ == TPark::pkIdle && !wake_; });
}

void TTrayIconAnimate::WaitParked() {
  std::unique_lock lock(lock_);
  changed_.wait(lock, [this] { return parked_ != TPark::pkRunning && !wake_; });
}

void TTrayIconAnimate::Execute() {
  std::unique_lock lock(lock_);
  // Created suspended: the first wake is the first Play's.
  Park(lock, TPark::pkIdle);
  for (;;) {
    if (terminated_) return;
    if (!tray_icon_->animating_) {
      frame_index_ = 0;
      images_.reset();
      Park(lock, TPark::pkIdle);
      continue;
    }
    const std::shared_ptr<const TImageStore> images = images_;
    lock.unlock();
    ShowFrame(*images);
    lock.lock();
    if (!tray_icon_->animating_ || terminated_) continue;
    if (tray_icon_->animate_mode_ == TAnimateMode::amAutomatic) {
      lock.unlock();
      tray_icon_->platform_.input.Sleep(static_cast<std::uint32_t>(tray_icon_->animate_rate_.load()));
      lock.lock();
    } else {
      Park(lock, TPark::pkStep);
    }
  }
}

void TTrayIconAnimate::ShowFrame(const TImageStore& images) {
  TTrayIcon& owner = *tray_icon_;
  std::optional<TTrayIconView> view;
  {
    std::lock_guard guard(owner.view_lock_);
    if (frame_index_ > images.Count() - 1) frame_index_ = 0;
    TIconImagePtr image = images.Get(frame_index_);
    // The list may lose images at any moment; an empty one has nothing to show.
    if (image == nullptr) {
      frame_index_ = 0;
      image = images.Get(0);
      if (image == nullptr) return;
    }
    frame_icon_->SetImage(std::move(image));
    if (owner.icon_added_) view = owner.ViewWith(frame_icon_->Handle());
    frame_index_ = frame_index_ >= images.Count() - 1 ? 0 : frame_index_ + 1;
  }
  // Sent without the lock, as every call to the area is. A failure is not
  // reported: the next frame tries again.
  if (view) owner.platform_.area.Update(*view);
}

}  // namespace snx
