#pragma once
// A wave input device through winmm, with the two buffer headers that every
// Start fills again; also the list of devices the user may choose from.
#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <memory>
#include <type_traits>

#include "main/core/input_devices.h"
#include "main/winmm/winmm_capture.h"

namespace snx {

// Every header call passes the header's size: 32 bytes on 32-bit Windows.
static_assert(sizeof(void*) != 4 || sizeof(WAVEHDR) == 32);

class TWinmmWaveIn final : public TWaveInDevice, public TInputDevices {
 public:
  TWinmmWaveIn() = default;
  TWinmmWaveIn(const TWinmmWaveIn&) = delete;
  TWinmmWaveIn& operator=(const TWinmmWaveIn&) = delete;

  // waveInGetDevCapsW's name of each device.
  std::vector<std::string> DeviceNames() override;
  // Opens `device` with WaveInCallback; `client` is the callback's instance data.
  std::uint32_t Open(const TWaveFormat& format, TWaveInClient& client, std::uint32_t device) override;
  // The devices by name: the name is also what the choice is kept by.
  std::vector<TInputDevice> InputDevices() override;
  void SetHeader(std::size_t index, std::uint8_t* data, std::uint32_t length) override;
  void PrepareHeader(std::size_t index) override;
  void AddBuffer(std::size_t index) override;
  std::uint32_t Start() override;
  void Reset() override;
  void UnprepareHeader(std::size_t index) override;
  void Close() override;

  // Runs on the audio system's thread: passes WIM_DATA on to the client and
  // ignores every other notification.
  static void CALLBACK WaveInCallback(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                      DWORD_PTR param2);

 private:
  struct TWaveInCloser {
    void operator()(HWAVEIN device) const { waveInClose(device); }
  };

  std::unique_ptr<std::remove_pointer_t<HWAVEIN>, TWaveInCloser> WaveIn;
  WAVEFORMATEX WaveFormat{};
  // dwFlags belongs to the device once the headers have been used.
  std::array<WAVEHDR, TWinmmCapture::kBufferCount> WaveHeaders{};
};

}  // namespace snx
