#include "main/core/level_meter.h"

#include <cmath>

namespace snx {

namespace {

constexpr double kLevelAcceleration = 0.4;
constexpr double kPeakAcceleration = 0.006;

using TLevelTable = std::array<std::uint8_t, 256>;

TLevelTable MakeLevelTable() {
  TLevelTable table{};
  for (int sample = 0; sample < 256; ++sample) {
    const double amplitude = std::abs(sample - 128);
    // log10(10) and log10(100) may come out a hair below the integer on some C
    // runtimes; every other entry is at least 0.01 away from an integer.
    const double level = 50.0 * std::log10(amplitude + 1.0) + 1e-9;
    table[static_cast<std::size_t>(sample)] = static_cast<std::uint8_t>(level);
  }
  return table;
}

void Raise(TChannelLevel& channel, std::uint8_t sample) {
  const auto n = static_cast<float>(SampleToLevel(sample));
  if (!(channel.Level >= n)) {
    channel.Level = n;
    channel.LevelSpeed = 0.0f;
  }
  if (!(channel.Peak >= channel.Level)) {
    channel.Peak = channel.Level;
    channel.PeakSpeed = 0.0f;
  }
}

void Decay(TChannelLevel& channel) {
  if (channel.LevelSpeed > 0.0f) {
    channel.Level = static_cast<float>(static_cast<double>(channel.Level) - channel.LevelSpeed);
  }
  if (!(channel.Level >= 0.0f)) channel.Level = 0.0f;
  channel.LevelSpeed = static_cast<float>(channel.LevelSpeed + kLevelAcceleration);
  if (channel.PeakSpeed > 0.0f) {
    channel.Peak = static_cast<float>(static_cast<double>(channel.Peak) - channel.PeakSpeed);
  }
  if (!(channel.Peak >= channel.Level)) channel.Peak = channel.Level;
  channel.PeakSpeed = static_cast<float>(channel.PeakSpeed + kPeakAcceleration);
}

}  // namespace

int SampleToLevel(std::uint8_t sample) {
  static const TLevelTable kTable = MakeLevelTable();
  return kTable[sample];
}

void TChannelLevels::MeasureBuffer(const std::uint8_t* data, std::size_t length) {
  if (data == nullptr || length < 2) return;
  const std::size_t half = length / 2;
  const std::uint8_t left = data[half - 1];
  const std::uint8_t right = data[half];
  const std::lock_guard lock(mutex_);
  Raise(levels_[0], left);
  Raise(levels_[1], right);
}

void TChannelLevels::DecayLevels() {
  const std::lock_guard lock(mutex_);
  Decay(levels_[0]);
  Decay(levels_[1]);
}

TStereoLevels TChannelLevels::Snapshot() const {
  const std::lock_guard lock(mutex_);
  return levels_;
}

}  // namespace snx
