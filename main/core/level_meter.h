#pragma once
// Meter state of the two channels: the capture thread raises it from each
// completed buffer, the user-interface thread lets it fall and draws it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace snx {

// One channel's bar and peak mark. The four fields are 32-bit floats in this
// order; arithmetic on them is done in double and rounded when stored.
struct TChannelLevel {
  float Level = 0.0f;       // level units, 0 to 105
  float LevelSpeed = 0.0f;  // units the level falls at the next tick
  float Peak = 0.0f;        // level units
  float PeakSpeed = 0.0f;   // units the peak falls at the next tick
};
static_assert(sizeof(float) == 4);
static_assert(sizeof(TChannelLevel) == 16);
static_assert(offsetof(TChannelLevel, Level) == 0 && offsetof(TChannelLevel, LevelSpeed) == 4 &&
              offsetof(TChannelLevel, Peak) == 8 && offsetof(TChannelLevel, PeakSpeed) == 12);

// Left channel at index 0, right at index 1.
using TStereoLevels = std::array<TChannelLevel, 2>;

// The highest level, that of full scale.
inline constexpr int kMaxLevel = 105;

// Unsigned 8-bit PCM sample (128 is silence) to a level: 50 * log10(|s - 128| + 1),
// truncated, 0 to 105.
int SampleToLevel(std::uint8_t sample);

// Whatever measures the completed capture buffers.
class TBufferMeasure {
 public:
  // `data` holds `length` bytes of interleaved unsigned 8-bit stereo, left first.
  virtual void MeasureBuffer(const std::uint8_t* data, std::size_t length) = 0;

 protected:
  ~TBufferMeasure() = default;
};

// The meter state with its two operations. A short lock around measure, decay
// and snapshot keeps a measurement from being overwritten by a tick working on
// the same channel, and keeps one picture from mixing two successive values.
class TChannelLevels final : public TBufferMeasure {
 public:
  TChannelLevels() = default;
  TChannelLevels(const TChannelLevels&) = delete;
  TChannelLevels& operator=(const TChannelLevels&) = delete;

  // Only the stereo frame in the middle of the buffer is looked at; it can
  // only raise a channel. A buffer shorter than one frame is ignored.
  void MeasureBuffer(const std::uint8_t* data, std::size_t length) override;
  // One ballistics step: bars fall by 0.4 units/tick², peak marks by 0.006.
  void DecayLevels();
  TStereoLevels Snapshot() const;

 private:
  mutable std::mutex mutex_;
  TStereoLevels levels_{};
};

}  // namespace snx
