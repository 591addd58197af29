#pragma once
// A label that acts as a hyperlink: its text takes LinkColor while the
// pointer is over it, it can pop up a small window showing its target next
// to the pointer, and a left press hands the target to the desktop's shell.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/core/controls.h"
#include "framework/core/hint_window.h"

namespace snx {

enum class TURLtype : std::uint8_t { tpURL = 0, tpMAIL = 1 };

// What a link needs of the desktop.
class TLinkDesktop {
 public:
  virtual std::unique_ptr<THintWindow> CreateHintWindow() = 0;
  // The pointer in screen coordinates.
  virtual TPoint CursorPos() = 0;
  // The shell's execute call, without an owner window; its result is of no use.
  virtual void Execute(std::string_view operation, std::string_view file, std::string_view parameters,
                       std::string_view directory, int show_command) = 0;

 protected:
  ~TLinkDesktop() = default;
};

// The desktop of the platform the build runs on: on Win32 the shell's execute
// call, on Linux the desktop's own opener, xdg-open
// (urllink/<platform>/link_desktop.cpp).
TLinkDesktop& SystemLinkDesktop();

// The shell's show command for a window shown in its current size and place.
inline constexpr int kShowCommandShow = 5;

class TURLLink : public TCustomLabel {
 public:
  TURLLink(TComponent* owner, TLinkDesktop& desktop);

  TURLtype URLType() const { return url_type_; }
  void SetURLtype(TURLtype value);
  // The target; for tpMAIL the address without "mailto:".
  const std::string& Link() const { return link_; }
  void SetLink(std::string value);
  TColor LinkColor() const { return link_color_; }
  // Shows from the next pointer entry on.
  void SetLinkColor(TColor value);
  TColor HintFormColor() const { return hint_form_color_; }
  void SetHintFormColor(TColor value);
  int HintOffsetX() const { return hint_offset_x_; }
  void SetHintOffsetX(int value);
  int HintOffsetY() const { return hint_offset_y_; }
  void SetHintOffsetY(int value);
  bool EnableShowHint() const { return enable_show_hint_; }
  void SetEnableShowHint(bool value);
  const TFont& HintFormFont() const { return hint_form_font_; }
  // Copies the font's settings; the link keeps its own font object.
  void SetHintFormFont(const TFont& value);

  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMMouseEnter() override;
  void CMMouseLeave() override;

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;

 private:
  // Every setter: nothing when unchanged, otherwise store and repaint. The
  // value is taken by reference: GCC 12 at -O2 warns that a by-value string
  // moved in here "may be used uninitialized", a false alarm that breaks
  // builds with warnings as errors.
  template <class T>
  void Update(T& field, std::type_identity_t<T>&& value) {
    if (value == field) return;
    field = std::move(value);
    Invalidate();
  }
  void HideHint();
  // What the left press opens: "mailto:" + Link for tpMAIL, else Link.
  std::string Target() const;

  TLinkDesktop& desktop_;
  std::unique_ptr<THintWindow> hint_window_;
  bool hint_showing_ = false;
  TURLtype url_type_ = TURLtype::tpURL;
  std::string link_;
  TColor normal_color_ = clBlack;
  TColor link_color_ = clBlack;
  TColor hint_form_color_ = clBlack;
  int hint_offset_x_ = 0;
  int hint_offset_y_ = 0;
  bool enable_show_hint_ = false;
  TFont hint_form_font_;
};

}  // namespace snx
