// The strip's pictures through a real X server: the skins as pixmaps, the
// composition and the copy to the window, read back pixel by pixel.
#include <gtest/gtest.h>
#include <X11/Xutil.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bitmap.h"
#include "main/core/meter_painter.h"
#include "main/linux/meter_skin.h"
#include "tests/linux/promptly.h"
#include "tests/unit/main/composed_strip.h"

namespace snx {
namespace {

// The build puts DATA/ beside the program; the test is told where that is.
std::string ProgramDir() {
  const char* dir = std::getenv("SONALIX_BIN_DIR");
  return dir != nullptr ? std::string(dir) + "/" : std::string("./");
}

TBitmap Skin(const std::string& name) {
  std::ifstream file(ProgramDir() + "DATA/" + name, std::ios::binary);
  return TBitmap::FromFile({std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
}

// A white pixmap the size of the strip at the scale under test stands in for
// the window, read back through the server.
class MeterSkinTest : public testing::Test {
 protected:
  static constexpr std::uint32_t kUntouched = 0xFFFFFF;

  virtual int Scale() const { return 1; }
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr) << "no X display";
    const int screen = DefaultScreen(display_);
    window_ = XCreatePixmap(display_, RootWindow(display_, screen), kMeterWidth * Scale(), kMeterHeight * Scale(),
                            static_cast<unsigned>(DefaultDepth(display_, screen)));
    Wipe();
  }
  void TearDown() override {
    skin_.Release();
    if (display_ != nullptr) {
      XFreePixmap(display_, window_);
      XCloseDisplay(display_);
    }
  }
  void Wipe() {
    XGCValues values{};
    values.foreground = WhitePixel(display_, DefaultScreen(display_));
    GC gc = XCreateGC(display_, window_, GCForeground, &values);
    XFillRectangle(display_, window_, gc, 0, 0, kMeterWidth * Scale(), kMeterHeight * Scale());
    XFreeGC(display_, gc);
  }
  std::uint32_t At(int x, int y) const {
    XImage* image = XGetImage(display_, window_, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<std::uint32_t>(pixel & 0xFFFFFF);
  }
  // The middle of a channel's row.
  std::uint32_t InRow(std::size_t channel) const {
    const TMeterRect row = ChannelRow(channel);
    return At(row.x + row.width / 2, row.y + row.height / 2);
  }
  // What the strip does at each tick or paint: nothing without loaded skins.
  void Draw(bool repaint) {
    if (skin_.Loaded()) painter_.Paint(levels_.Snapshot(), repaint, skin_);
  }

  Display* display_ = nullptr;
  Pixmap window_ = 0;
  TChannelLevels levels_;
  TMeterSkin skin_;
  TMeterPainter painter_;
};

// On a scaled screen every skin pixel is a square block of device pixels.
class ScaledMeterSkinTest : public MeterSkinTest, public testing::WithParamInterface<int> {
 protected:
  int Scale() const override { return GetParam(); }
};

TEST_P(ScaledMeterSkinTest, LeftLevelAndPeakFifteenThroughTheServer) {
  const TBitmap main_skin = Skin("MAIN.BMP");
  const TBitmap parts_skin = Skin("PARTS.BMP");
  std::vector<std::uint8_t> buffer(882, 128);
  buffer[440] = 129;  // left level 15, peak 15
  levels_.MeasureBuffer(buffer.data(), buffer.size());
  skin_.LoadSkin(display_, window_, ProgramDir(), Scale());
  Draw(true);

  const TStripPixels expected = ComposedStrip(
      levels_.Snapshot(), [&](int x, int y) { return main_skin.Rgb(x, y); },
      [&](int x, int y) { return parts_skin.Rgb(x, y); });
  const int scale = Scale();
  XImage* image = XGetImage(display_, window_, 0, 0, kMeterWidth * scale, kMeterHeight * scale, AllPlanes, ZPixmap);
  int lit = 0;
  for (int device_y = 0; device_y < kMeterHeight * scale; ++device_y) {
    for (int device_x = 0; device_x < kMeterWidth * scale; ++device_x) {
      const int x = device_x / scale;
      const int y = device_y / scale;
      const std::uint32_t pixel = expected[PixelIndex(x, y)];
      ASSERT_EQ(XGetPixel(image, device_x, device_y) & 0xFFFFFF, pixel) << "at " << device_x << "," << device_y;
      if (device_x % scale == 0 && device_y % scale == 0 && pixel != main_skin.Rgb(x, y)) ++lit;
    }
  }
  XDestroyImage(image);
  // Lit and idle pictures differ where it shows: lamp, bar and mark.
  EXPECT_GT(lit, 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaledMeterSkinTest, testing::Values(1, 2));

TEST_F(MeterSkinTest, NothingIsDrawnWithoutLoadedPictures) {
  EXPECT_FALSE(skin_.Loaded());
  skin_.LoadSkin(display_, window_, ProgramDir());
  EXPECT_TRUE(skin_.Loaded());
  skin_.Release();
  EXPECT_FALSE(skin_.Loaded());
  Draw(true);
  EXPECT_EQ(InRow(0), kUntouched);
}

// A valid bitmap file, black all over, of one bit per pixel.
std::string BlackBitmap(int width, int height) {
  const auto stride = static_cast<std::uint32_t>((width + 31) / 32 * 4);
  const std::uint32_t bits_offset = 14 + 40 + 2 * 4;
  const std::uint32_t size = bits_offset + stride * static_cast<std::uint32_t>(height);
  std::string file(size, '\0');
  auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, size, 4);
  put(10, bits_offset, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);  // planes
  put(28, 1, 2);  // bits per pixel; colour table of two blacks, pixels all 0
  return file;
}

// What may stand where a skin should be.
struct UnreadableSkinCase {
  const char* name;
  std::function<void(const std::string& path)> make;
};

void PrintTo(const UnreadableSkinCase& c, std::ostream* os) { *os << c.name; }

class UnreadableSkinTest : public MeterSkinTest, public testing::WithParamInterface<UnreadableSkinCase> {};

TEST_P(UnreadableSkinTest, IsAMissingSkinAndAReadableOneLoadsAfterIt) {
  const std::string folder = testing::TempDir() + "sonalix-skins-" + GetParam().name + "/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder + "DATA");
  for (const char* name : {"MAIN.BMP", "PARTS.BMP"}) GetParam().make(folder + "DATA/" + name);
  Promptly({folder + "DATA/MAIN.BMP", folder + "DATA/PARTS.BMP"}, [&] { skin_.LoadSkin(display_, window_, folder); });
  Draw(true);
  EXPECT_EQ(InRow(0), kUntouched);
  std::filesystem::remove_all(folder);

  skin_.LoadSkin(display_, window_, ProgramDir());
  Draw(true);
  EXPECT_NE(InRow(0), kUntouched);
}

INSTANTIATE_TEST_SUITE_P(
    Things, UnreadableSkinTest,
    testing::Values(
        UnreadableSkinCase{"Missing", [](const std::string&) {}},
        UnreadableSkinCase{"NotABitmap", [](const std::string& path) { std::ofstream(path) << "not a picture"; }},
        UnreadableSkinCase{"Folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        UnreadableSkinCase{"Fifo", [](const std::string& path) { mkfifo(path.c_str(), 0644); }},
        // Readable, and far larger than the strip: 16 million pixels.
        UnreadableSkinCase{
            "Huge", [](const std::string& path) { std::ofstream(path, std::ios::binary) << BlackBitmap(4096, 4096); }}),
    [](const testing::TestParamInfo<UnreadableSkinCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(MeterSkinTest, TicksRedrawOnlyTheRowsThatChangeButRepaintsRedrawAll) {
  skin_.LoadSkin(display_, window_, ProgramDir());
  Draw(false);
  const std::uint32_t idle = InRow(0);
  Wipe();
  Draw(false);  // same picture as on screen
  EXPECT_EQ(InRow(0), kUntouched);
  Draw(true);  // the window lost its pixels
  EXPECT_EQ(InRow(0), idle);

  Wipe();
  std::vector<std::uint8_t> buffer(882, 128);
  buffer[441] = 255;  // right channel to full scale
  levels_.MeasureBuffer(buffer.data(), buffer.size());
  Draw(false);
  EXPECT_NE(InRow(1), kUntouched);
  EXPECT_EQ(InRow(0), kUntouched) << "the left row, unchanged, was copied again";
}

}  // namespace
}  // namespace snx
