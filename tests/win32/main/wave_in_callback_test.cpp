#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "main/win32/winmm_wave_in.h"

namespace snx {
namespace {

class RecordingClient final : public TWaveInClient {
 public:
  void BufferDone(std::size_t index, std::uint32_t bytes) override { done.emplace_back(index, bytes); }
  std::vector<std::pair<std::size_t, std::uint32_t>> done;
};

TEST(WaveInCallback, PassesOnlyDataNotificationsOnWithTheHeadersIndex) {
  RecordingClient client;
  WAVEHDR header{};
  header.dwUser = 1;
  header.dwBytesRecorded = 500;
  for (const UINT message : {UINT{WIM_OPEN}, UINT{WIM_CLOSE}, UINT{WIM_DATA}}) {
    TWinmmWaveIn::WaveInCallback(nullptr, message, reinterpret_cast<DWORD_PTR>(&client),
                                 reinterpret_cast<DWORD_PTR>(&header), 0);
  }
  EXPECT_EQ(client.done, (std::vector<std::pair<std::size_t, std::uint32_t>>{{1, 500}}));
}

}  // namespace
}  // namespace snx
