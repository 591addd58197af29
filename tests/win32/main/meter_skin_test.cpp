#include "main/win32/meter_skin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/win32/unicode.h"
#include "main/core/program_folder.h"

namespace snx {
namespace {

// This executable's directory; the build puts DATA\ beside it as beside the program.
std::string ExeDir() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return ProgramFolder(Narrow(path));
}

// A white 32-bit top-down picture in a memory context, read straight from memory.
class Picture {
 public:
  Picture() : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kMeterWidth, -kMeterHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<const std::uint32_t*>(bits);
    SelectObject(dc_.get(), bitmap_.get());
    PatBlt(dc_.get(), 0, 0, kMeterWidth, kMeterHeight, WHITENESS);
  }
  // Copies a bitmap file in; false when it cannot be loaded.
  bool Load(const std::string& file) {
    const UniqueBitmap loaded(
        static_cast<HBITMAP>(LoadImageW(nullptr, Widen(file).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    const UniqueMemoryDC source(CreateCompatibleDC(nullptr));
    SelectObject(source.get(), loaded.get());
    return loaded && BitBlt(dc_.get(), 0, 0, kMeterWidth, kMeterHeight, source.get(), 0, 0, SRCCOPY);
  }
  HDC Dc() const { return dc_.get(); }
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * kMeterWidth + x] & 0xFFFFFF;
  }

 private:
  UniqueMemoryDC dc_;
  UniqueBitmap bitmap_;
  const std::uint32_t* bits_ = nullptr;
};

class MeterSkinTest : public testing::Test {
 protected:
  static constexpr std::uint32_t kUntouched = 0xFFFFFF;
  Picture window_;
  TChannelLevels levels_;
  TMeterSkin skin_;
};

TEST_F(MeterSkinTest, LeftLevelAndPeakFifteenThroughRealContexts) {
  Picture main_skin, parts_skin;
  ASSERT_TRUE(main_skin.Load(ExeDir() + "DATA\\MAIN.BMP") && parts_skin.Load(ExeDir() + "DATA\\PARTS.BMP"));
  std::vector<std::uint8_t> buffer(882, 128);
  buffer[440] = 129;  // left level 15, peak 15
  levels_.MeasureBuffer(buffer.data(), buffer.size());
  skin_.LoadSkin(window_.Dc(), ExeDir());
  skin_.Draw(window_.Dc(), levels_, true);

  for (int y = 0; y < kMeterHeight; ++y) {
    for (int x = 0; x < kMeterWidth; ++x) {
      const bool lamp = x >= 1 && x <= 16, bar = x >= 19 && x <= 50, mark = x == 51 || x == 52;
      const bool lit = y >= 1 && y <= 8 && (lamp || bar || mark);
      ASSERT_EQ(window_.At(x, y), (lit ? parts_skin : main_skin).At(x, y)) << "at " << x << "," << y;
    }
  }
  // Lit and idle pictures differ where it shows: lamp, bar and mark.
  for (const int x : {5, 28, 51}) EXPECT_NE(parts_skin.At(x, 4), main_skin.At(x, 4)) << x;
}

TEST_F(MeterSkinTest, NothingIsDrawnWithoutLoadedSurfaces) {
  skin_.Draw(window_.Dc(), levels_, true);
  skin_.LoadSkin(window_.Dc(), ExeDir());
  skin_.Release();
  skin_.Draw(window_.Dc(), levels_, true);
  EXPECT_EQ(window_.At(100, 5), kUntouched);
}

TEST_F(MeterSkinTest, MissingSkinsAreNoObstacle) {
  skin_.LoadSkin(window_.Dc(), R"(Z:\no\such\folder)");
  skin_.Draw(window_.Dc(), levels_, true);
  skin_.LoadSkin(window_.Dc(), ExeDir());
  skin_.Draw(window_.Dc(), levels_, true);
  EXPECT_NE(window_.At(100, 5), kUntouched);
}

TEST_F(MeterSkinTest, TicksRedrawOnlyTheRowsThatChangeButRepaintsRedrawAll) {
  skin_.LoadSkin(window_.Dc(), ExeDir());
  skin_.Draw(window_.Dc(), levels_, false);
  const std::uint32_t idle = window_.At(100, 5);
  auto wipe = [&] {
    RECT all{0, 0, kMeterWidth, kMeterHeight};
    FillRect(window_.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  };
  wipe();
  skin_.Draw(window_.Dc(), levels_, false);  // same picture as on screen
  EXPECT_EQ(window_.At(100, 5), kUntouched);
  skin_.Draw(window_.Dc(), levels_, true);  // the window lost its pixels
  EXPECT_EQ(window_.At(100, 5), idle);

  wipe();
  std::vector<std::uint8_t> buffer(882, 128);
  buffer[441] = 255;  // right channel to full scale
  levels_.MeasureBuffer(buffer.data(), buffer.size());
  skin_.Draw(window_.Dc(), levels_, false);
  EXPECT_NE(window_.At(100, 21), kUntouched);
  EXPECT_EQ(window_.At(100, 5), kUntouched) << "the left row, unchanged, was copied again";
}

}  // namespace
}  // namespace snx
