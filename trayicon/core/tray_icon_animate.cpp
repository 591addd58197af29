#include "trayicon/core/tray_icon_animate.h"

#include <optional>

#include "trayicon/core/tray_icon.h"

namespace snx {

TTrayIconAnimate::TTrayIconAnimate(TTrayIcon& tray_icon)
    : FFrameIcon(std::make_unique<TIcon>()), FTrayIcon(&tray_icon), thread_([this] { Execute(); }) {}

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
  FTrayIcon->FAnimating = true;
  FTrayIcon->FAnimateMode = mode;
  images_ = std::move(images);
  WakeIfParked();
}

void TTrayIconAnimate::Step() {
  std::lock_guard guard(lock_);
  if (FTrayIcon->FAnimating && FTrayIcon->FAnimateMode == TAnimateMode::amManual) WakeIfParked();
}

void TTrayIconAnimate::ModeChange() {
  std::lock_guard guard(lock_);
  if (!FTrayIcon->FAnimating) return;
  if (FTrayIcon->FAnimateMode == TAnimateMode::amManual) {
    FTrayIcon->FAnimateMode = TAnimateMode::amAutomatic;
    WakeIfParked();
  } else {
    FTrayIcon->FAnimateMode = TAnimateMode::amManual;
  }
}

void TTrayIconAnimate::Stop() {
  std::unique_lock lock(lock_);
  if (!FTrayIcon->FAnimating) return;
  FTrayIcon->FAnimating = false;
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
    if (!FTrayIcon->FAnimating) {
      FFrameIndex = 0;
      images_.reset();
      Park(lock, TPark::pkIdle);
      continue;
    }
    const std::shared_ptr<const TImageStore> images = images_;
    lock.unlock();
    ShowFrame(*images);
    lock.lock();
    if (!FTrayIcon->FAnimating || terminated_) continue;
    if (FTrayIcon->FAnimateMode == TAnimateMode::amAutomatic) {
      lock.unlock();
      FTrayIcon->platform_.input.Sleep(static_cast<std::uint32_t>(FTrayIcon->animate_rate_.load()));
      lock.lock();
    } else {
      Park(lock, TPark::pkStep);
    }
  }
}

void TTrayIconAnimate::ShowFrame(const TImageStore& images) {
  TTrayIcon& owner = *FTrayIcon;
  std::optional<TNotifyIconDataV5A> record;
  {
    std::lock_guard guard(owner.record_lock_);
    if (FFrameIndex > images.Count() - 1) FFrameIndex = 0;
    TIconImagePtr image = images.Get(FFrameIndex);
    // The list may lose images at any moment; an empty one has nothing to show.
    if (image == nullptr) {
      FFrameIndex = 0;
      image = images.Get(0);
      if (image == nullptr) return;
    }
    FFrameIcon->SetImage(std::move(image));
    if (owner.FIconAdded) {
      owner.FIconData->hIcon = FFrameIcon->Handle();
      owner.FillTip();
      record = *owner.FIconData;
    }
    FFrameIndex = FFrameIndex >= images.Count() - 1 ? 0 : FFrameIndex + 1;
  }
  // Sent without the lock, as every shell call is. A failure is not
  // reported: the next frame tries again.
  if (record) owner.platform_.area.NotifyIcon(kNimModify, *record);
}

}  // namespace snx
