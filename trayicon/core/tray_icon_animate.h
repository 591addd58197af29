#pragma once
// The thread that cycles a tray icon through the images of an image list,
// by itself at the component's rate or one frame per step.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "trayicon/core/icon.h"

namespace snx {

class TTrayIcon;
enum class TAnimateMode : std::uint8_t;

class TTrayIconAnimate {
 public:
  // Created parked, as idle; the first Play wakes it.
  explicit TTrayIconAnimate(TTrayIcon& tray_icon);
  // Asks the thread to end, wakes it if parked and waits for it.
  ~TTrayIconAnimate();
  TTrayIconAnimate(const TTrayIconAnimate&) = delete;
  TTrayIconAnimate& operator=(const TTrayIconAnimate&) = delete;

  // The owner's animation switches. Each takes the thread's lock, so the
  // thread sees a change either before it parks or by being woken.
  void Play(TAnimateMode mode, std::shared_ptr<const TImageStore> images);
  void Step();
  void ModeChange();
  // Returns once the thread has parked as idle with frame 0.
  void Stop();
  // Returns once the thread is parked, idle or between manual frames.
  void WaitParked();

  // The picture being shown; read and written under the owner's view lock.
  const TIcon& FrameIcon() const { return *frame_icon_; }

 private:
  enum class TPark : std::uint8_t { pkRunning, pkIdle, pkStep };

  void Execute();
  void ShowFrame(const TImageStore& images);
  // Parks until woken or asked to end.
  void Park(std::unique_lock<std::mutex>& lock, TPark kind);
  // Wakes the thread only when it is parked: a wake while it runs is not kept.
  void WakeIfParked();

  std::int32_t frame_index_ = 0;
  std::unique_ptr<TIcon> frame_icon_;
  TTrayIcon* tray_icon_;

  std::mutex lock_;
  std::condition_variable changed_;
  TPark parked_ = TPark::pkIdle;
  bool wake_ = false;
  bool terminated_ = false;
  std::shared_ptr<const TImageStore> images_;
  std::thread thread_;
};

}  // namespace snx
