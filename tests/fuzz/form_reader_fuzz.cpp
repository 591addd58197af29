// A form description read into a window of labels, pictures and menus, on
// arbitrary text: the window is built or EReadError (or another of the
// framework's exceptions) says why, never a crash; a window that was built
// can be painted and pointed at.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/core/menu.h"
#include "framework/core/object.h"
#include "framework/core/reader.h"
#include "tests/unit/fake_control_parent.h"

namespace {

using namespace snx;

class Window : public TComponent, public FakeControlParent {
 public:
  Window() : TComponent(nullptr) {}
  void AddChildComponent(TComponent* child) override {
    if (auto* control = dynamic_cast<TControl*>(child)) control->SetParent(this);
  }
  void Clicked(TObject*) {}
  void MouseDown(TObject*, TMouseButton, TShiftState, int, int) {}
  void MouseMove(TObject*, TShiftState, int, int) {}
};

class NullCanvas : public TCanvas {
 public:
  TSize TextExtent(std::string_view text) override { return {static_cast<int>(text.size()) * 7, 12}; }
  void FillRect(const TRect&, TColor) override {}
  void TextRect(const TRect&, int, int, std::string_view) override {}
  void Draw(const TRect&, const TBitmap&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ComponentClassTable kClasses{
      {"TLabel", [](TComponent* owner) -> TComponent* { return new TLabel(owner); }},
      {"TImage", [](TComponent* owner) -> TComponent* { return new TImage(owner); }},
      {"TPopupMenu", [](TComponent* owner) -> TComponent* { return new TPopupMenu(owner); }},
      {"TMenuItem", [](TComponent* owner) -> TComponent* { return new TMenuItem(owner); }},
  };
  static const TPublished<Window> kPublished{
      {"Clicked", &Window::Clicked}, {"MouseDown", &Window::MouseDown}, {"MouseMove", &Window::MouseMove}};

  Window window;
  try {
    const ObjectDescription description =
        ParseFormDescription(std::string_view(reinterpret_cast<const char*>(data), size));
    TReader(description, kClasses, kPublished.For(window)).ReadRootComponent(&window);
  } catch (const Exception&) {
    return 0;  // refused, as it should be
  }
  NullCanvas canvas;
  window.PaintControls(canvas);
  for (const TControl* control : std::vector<TControl*>(window.Controls())) {
    const TRect r = control->BoundsRect();
    window.MouseMoved(TShiftState(), r.left, r.top);
    window.MousePressed(TMouseButton::mbLeft, TShiftState(), r.left, r.top);
  }
  window.MouseLeft();
  return 0;
}
