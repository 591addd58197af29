#include "main/win32/winmm_wave_in.h"

#include "framework/win32/unicode.h"

namespace snx {

std::vector<std::string> TWinmmWaveIn::DeviceNames() {
  std::vector<std::string> names;
  const UINT count = waveInGetNumDevs();
  names.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    WAVEINCAPSW caps{};
    const bool named = waveInGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR;
    // Kept in its place even without a name, so that the others keep their identifiers.
    names.push_back(named ? Narrow(std::wstring_view(caps.szPname, wcsnlen(caps.szPname, std::size(caps.szPname))))
                          : std::string());
  }
  return names;
}

std::vector<TInputDevice> TWinmmWaveIn::InputDevices() {
  std::vector<TInputDevice> devices;
  for (const std::string& name : DeviceNames()) {
    if (!name.empty()) devices.push_back({name, name});
  }
  return devices;
}

std::uint32_t TWinmmWaveIn::Open(const TWaveFormat& format, TWaveInClient& client, std::uint32_t device_id) {
  WaveFormat = {};
  WaveFormat.wFormatTag = format.format_tag;
  WaveFormat.nChannels = format.channels;
  WaveFormat.nSamplesPerSec = format.samples_per_sec;
  WaveFormat.nAvgBytesPerSec = format.avg_bytes_per_sec;
  WaveFormat.nBlockAlign = format.block_align;
  WaveFormat.wBitsPerSample = format.bits_per_sample;
  HWAVEIN device = nullptr;
  const MMRESULT result =
      waveInOpen(&device, device_id == kWaveMapper ? WAVE_MAPPER : device_id, &WaveFormat,
                 reinterpret_cast<DWORD_PTR>(&WaveInCallback), reinterpret_cast<DWORD_PTR>(&client), CALLBACK_FUNCTION);
  if (result == MMSYSERR_NOERROR) WaveIn.reset(device);
  return result;
}

void TWinmmWaveIn::SetHeader(std::size_t index, std::uint8_t* data, std::uint32_t length) {
  WAVEHDR& header = WaveHeaders.at(index);
  header.lpData = reinterpret_cast<LPSTR>(data);
  header.dwBufferLength = length;
  header.dwUser = index;
  header.dwLoops = 1;
}

void TWinmmWaveIn::PrepareHeader(std::size_t index) {
  waveInPrepareHeader(WaveIn.get(), &WaveHeaders.at(index), sizeof(WAVEHDR));
}

void TWinmmWaveIn::AddBuffer(std::size_t index) {
  waveInAddBuffer(WaveIn.get(), &WaveHeaders.at(index), sizeof(WAVEHDR));
}

std::uint32_t TWinmmWaveIn::Start() { return waveInStart(WaveIn.get()); }

void TWinmmWaveIn::Reset() { waveInReset(WaveIn.get()); }

void TWinmmWaveIn::UnprepareHeader(std::size_t index) {
  waveInUnprepareHeader(WaveIn.get(), &WaveHeaders.at(index), sizeof(WAVEHDR));
}

void TWinmmWaveIn::Close() { WaveIn.reset(); }

void CALLBACK TWinmmWaveIn::WaveInCallback(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  if (message != WIM_DATA) return;
  const auto* header = reinterpret_cast<const WAVEHDR*>(param1);
  reinterpret_cast<TWaveInClient*>(instance)->BufferDone(header->dwUser, header->dwBytesRecorded);
}

}  // namespace snx
