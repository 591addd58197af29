// The winmm adapter against the real default input, with the program's own
// imports of the wave input calls pointed at recorders that pass each call
// on: what the driver is given, and that both buffers keep coming back.
#include "main/win32/winmm_wave_in.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "main/winmm/winmm_capture.h"
#include "tests/win32/main/capture_observers.h"

namespace snx {
namespace {

// Replaces one entry of this program's import table for the object's life.
class ImportPatch {
 public:
  ImportPatch(const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<std::uint8_t*>(GetModuleHandleW(nullptr));
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
      if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
      const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* named = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(named->Name), function) == 0) slot_ = &slots->u1.Function;
      }
    }
    if (slot_ == nullptr) return;
    original_ = *slot_;
    Write(reinterpret_cast<decltype(original_)>(replacement));
  }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;
  ~ImportPatch() {
    if (slot_ != nullptr) Write(original_);
  }

  bool Patched() const { return slot_ != nullptr; }
  template <typename F>
  F Original() const {
    return reinterpret_cast<F>(original_);
  }

 private:
  void Write(decltype(IMAGE_THUNK_DATA::u1.Function) value) {
    DWORD old = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, old, &old);
  }

  decltype(IMAGE_THUNK_DATA::u1.Function)* slot_ = nullptr;
  decltype(IMAGE_THUNK_DATA::u1.Function) original_{};
};

// What the driver was given, as the recorders saw it.
struct DriverRecord {
  std::mutex mutex;
  int opens = 0;
  UINT device = 0;
  WAVEFORMATEX format{};
  DWORD_PTR callback = 0;
  DWORD open_flags = 0;
  // Per header: how often it was handed to the driver, and its fields then.
  std::map<const WAVEHDR*, int> added;
  std::map<const WAVEHDR*, WAVEHDR> last_added;
  int short_headers = 0;  // calls whose header size was not sizeof(WAVEHDR)
};

DriverRecord* Record = nullptr;
const ImportPatch* OpenPatch = nullptr;
const ImportPatch* AddPatch = nullptr;

MMRESULT WINAPI RecordOpen(LPHWAVEIN handle, UINT device, LPCWAVEFORMATEX format, DWORD_PTR callback,
                           DWORD_PTR instance, DWORD flags) {
  {
    std::lock_guard lock(Record->mutex);
    ++Record->opens;
    Record->device = device;
    Record->format = *format;
    Record->callback = callback;
    Record->open_flags = flags;
  }
  return OpenPatch->Original<decltype(&waveInOpen)>()(handle, device, format, callback, instance, flags);
}

MMRESULT WINAPI RecordAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT size) {
  {
    std::lock_guard lock(Record->mutex);
    ++Record->added[header];
    Record->last_added[header] = *header;
    if (size != sizeof(WAVEHDR)) ++Record->short_headers;
  }
  return AddPatch->Original<decltype(&waveInAddBuffer)>()(handle, header, size);
}

class WinmmWaveIn : public ::testing::Test {
 protected:
  WinmmWaveIn() { Record = &driver_; }
  ~WinmmWaveIn() override {
    OpenPatch = nullptr;
    AddPatch = nullptr;
    Record = nullptr;
  }

  DriverRecord driver_;
  ImportPatch open_{"winmm.dll", "waveInOpen", reinterpret_cast<void*>(&RecordOpen)};
  ImportPatch add_{"winmm.dll", "waveInAddBuffer", reinterpret_cast<void*>(&RecordAddBuffer)};
};

TEST_F(WinmmWaveIn, OpensTheMapperForThePcmFormatAndKeepsBothHeadersComingBack) {
  ASSERT_TRUE(open_.Patched() && add_.Patched());
  OpenPatch = &open_;
  AddPatch = &add_;
  TWinmmWaveIn device;
  CountingMeasure measure;
  RecordingReporter reporter;
  {
    TWinmmCapture capture(device, measure, reporter);
    capture.Start();
    ASSERT_TRUE(capture.CaptureRunning()) << reporter.errors;
    // Each header is given again each time it comes back: 100 a second in all.
    auto both_returned = [&](int times) {
      std::lock_guard lock(driver_.mutex);
      if (driver_.added.size() != 2) return false;
      for (const auto& [header, count] : driver_.added) {
        if (count < times) return false;
      }
      return true;
    };
    for (int i = 0; i < 3000 && !both_returned(51); ++i) Sleep(10);
    capture.Stop();
  }
  EXPECT_EQ(reporter.errors, "");

  std::lock_guard lock(driver_.mutex);
  EXPECT_EQ(driver_.opens, 1);
  EXPECT_EQ(driver_.device, WAVE_MAPPER);
  EXPECT_EQ(driver_.open_flags, DWORD{CALLBACK_FUNCTION});
  EXPECT_EQ(driver_.callback, reinterpret_cast<DWORD_PTR>(&TWinmmWaveIn::WaveInCallback));
  const WAVEFORMATEX& f = driver_.format;
  EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.nAvgBytesPerSec, 88200u);
  EXPECT_EQ(f.nBlockAlign, 2);
  EXPECT_EQ(f.wBitsPerSample, 8);
  EXPECT_EQ(f.cbSize, 0);

  EXPECT_EQ(driver_.short_headers, 0);
  ASSERT_EQ(driver_.added.size(), 2u) << "two headers circulate";
  std::map<DWORD_PTR, const WAVEHDR*> by_user;
  for (const auto& [header, fields] : driver_.last_added) {
    by_user[fields.dwUser] = header;
    EXPECT_GT(driver_.added.at(header), 50) << "header " << fields.dwUser << " stopped coming back";
    EXPECT_EQ(fields.dwLoops, 1u);
    EXPECT_EQ(fields.dwBufferLength, 882u);
    EXPECT_NE(fields.lpData, nullptr);
    // Came back full before being given again.
    EXPECT_EQ(fields.dwBytesRecorded, 882u);
  }
  ASSERT_EQ(by_user.size(), 2u) << "each header carries its own number";
  EXPECT_EQ(by_user.count(0), 1u);
  EXPECT_EQ(by_user.count(1), 1u);
  EXPECT_NE(driver_.last_added.at(by_user.begin()->second).lpData,
            driver_.last_added.at(by_user.rbegin()->second).lpData);
  EXPECT_GE(measure.buffers.load(), 100);
}

}  // namespace
}  // namespace snx
