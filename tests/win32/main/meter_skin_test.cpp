#include "main/win32/meter_skin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/win32/unicode.h"
#include "main/core/meter_painter.h"
#include "main/core/program_folder.h"
#include "tests/unit/main/composed_strip.h"

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
  // The middle of a channel's row.
  std::uint32_t InRow(std::size_t channel) const {
    const TMeterRect row = ChannelRow(channel);
    return window_.At(row.x + row.width / 2, row.y + row.height / 2);
  }
  // What the strip does at each tick or paint: nothing without loaded skins.
  void Draw(bool repaint) {
    if (skin_.Loaded()) painter_.Paint(levels_.Snapshot(), repaint, skin_);
  }

  Picture window_;
  TChannelLevels levels_;
  TMeterSkin skin_;
  TMeterPainter painter_;
};

TEST_F(MeterSkinTest, LeftLevelAndPeakFifteenThroughRealContexts) {
  Picture main_skin, parts_skin;
  ASSERT_TRUE(main_skin.Load(ExeDir() + "DATA\\MAIN.BMP") && parts_skin.Load(ExeDir() + "DATA\\PARTS.BMP"));
  std::vector<std::uint8_t> buffer(882, 128);
  buffer[440] = 129;  // left level 15, peak 15
  levels_.MeasureBuffer(buffer.data(), buffer.size());
  skin_.LoadSkin(window_.Dc(), ExeDir());
  Draw(true);

  const TStripPixels expected = ComposedStrip(
      levels_.Snapshot(), [&](int x, int y) { return main_skin.At(x, y); },
      [&](int x, int y) { return parts_skin.At(x, y); });
  int lit = 0;
  for (int y = 0; y < kMeterHeight; ++y) {
    for (int x = 0; x < kMeterWidth; ++x) {
      ASSERT_EQ(window_.At(x, y), expected[PixelIndex(x, y)]) << "at " << x << "," << y;
      if (expected[PixelIndex(x, y)] != main_skin.At(x, y)) ++lit;
    }
  }
  // Lit and idle pictures differ where it shows: lamp, bar and mark.
  EXPECT_GT(lit, 0);
}

TEST_F(MeterSkinTest, NothingIsDrawnWithoutLoadedSurfaces) {
  EXPECT_FALSE(skin_.Loaded());
  skin_.LoadSkin(window_.Dc(), ExeDir());
  EXPECT_TRUE(skin_.Loaded());
  skin_.Release();
  EXPECT_FALSE(skin_.Loaded());
  Draw(true);
  EXPECT_EQ(InRow(0), kUntouched);
}

TEST_F(MeterSkinTest, MissingSkinsAreNoObstacle) {
  skin_.LoadSkin(window_.Dc(), R"(Z:\no\such\folder)");
  Draw(true);
  skin_.LoadSkin(window_.Dc(), ExeDir());
  painter_.Forget();
  Draw(true);
  EXPECT_NE(InRow(0), kUntouched);
}

TEST_F(MeterSkinTest, TicksRedrawOnlyTheRowsThatChangeButRepaintsRedrawAll) {
  skin_.LoadSkin(window_.Dc(), ExeDir());
  Draw(false);
  const std::uint32_t idle = InRow(0);
  auto wipe = [&] {
    RECT all{0, 0, kMeterWidth, kMeterHeight};
    FillRect(window_.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  };
  wipe();
  Draw(false);  // same picture as on screen
  EXPECT_EQ(InRow(0), kUntouched);
  Draw(true);  // the window lost its pixels
  EXPECT_EQ(InRow(0), idle);

  wipe();
  std::vector<std::uint8_t> buffer(882, 128);
  buffer[441] = 255;  // right channel to full scale
  levels_.MeasureBuffer(buffer.data(), buffer.size());
  Draw(false);
  EXPECT_NE(InRow(1), kUntouched);
  EXPECT_EQ(InRow(0), kUntouched) << "the left row, unchanged, was copied again";
}

}  // namespace
}  // namespace snx
