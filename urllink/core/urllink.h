#pragma once
// A label that acts as a hyperlink: its text takes LinkColor while the
// pointer is over it, it can pop up a small window showing its target next
// to the pointer, and a left press hands the target to the desktop's shell.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

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

// The shell's show command for a window shown in its current size and place.
inline constexpr int kShowCommandShow = 5;

class TURLLink : public TCustomLabel {
 public:
  TURLLink(TComponent* owner, TLinkDesktop& desktop);

  TURLtype URLType() const { return FURLType; }
  void SetURLtype(TURLtype value);
  // The target; for tpMAIL the address without "mailto:".
  const std::string& Link() const { return FLink; }
  void SetLink(std::string value);
  TColor LinkColor() const { return FLinkColor; }
  // Shows from the next pointer entry on.
  void SetLinkColor(TColor value);
  TColor HintFormColor() const { return FHintFormColor; }
  void SetHintFormColor(TColor value);
  int HintOffsetX() const { return FHintOffsetX; }
  void SetHintOffsetX(int value);
  int HintOffsetY() const { return FHintOffsetY; }
  void SetHintOffsetY(int value);
  bool EnableShowHint() const { return FEnableShowHint; }
  void SetEnableShowHint(bool value);
  const TFont& HintFormFont() const { return FHintFormFont; }
  // Copies the font's settings; the link keeps its own font object.
  void SetHintFormFont(const TFont& value);

  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMMouseEnter() override;
  void CMMouseLeave() override;

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;

 private:
  // Every setter: nothing when unchanged, otherwise store and repaint.
  template <class T>
  void Update(T& field, T value) {
    if (value == field) return;
    field = std::move(value);
    Invalidate();
  }
  void HideHint();
  // What the left press opens: "mailto:" + Link for tpMAIL, else Link.
  std::string Target() const;

  TLinkDesktop& desktop_;
  std::unique_ptr<THintWindow> FHintForm;
  bool FHintShowing = false;
  TURLtype FURLType = TURLtype::tpURL;
  std::string FLink;
  TColor FNormalColor = clBlack;
  TColor FLinkColor = clBlack;
  TColor FHintFormColor = clBlack;
  int FHintOffsetX = 0;
  int FHintOffsetY = 0;
  bool FEnableShowHint = false;
  TFont FHintFormFont;
};

}  // namespace snx
