#pragma once
// What the tray component needs of the system, in the component's own terms.
// The core asks the notification area to show, change and remove icons and
// balloons; the area tells each icon what the pointer and its balloon did.
// The input gives the double-click time, a clock and the way back to the
// user-interface thread; the forms are the program's. Each platform gathers
// its implementations in one TTrayPlatform; the unit tests use a recording fake.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/core/events.h"
#include "framework/core/geometry.h"
#include "trayicon/core/icon.h"
#include "trayicon/core/tray_icon_ids.h"

namespace snx {

class TComponent;
class TPopupMenu;

enum class TBalloonInfoIconFlag : std::uint8_t { biifNone, biifInfo, biifWarning, biifError };
// Whole seconds; 10 to 60 for the property.
using TBalloonTimeout = std::uint8_t;

// One icon as the notification area should show it. Texts are in the
// area's encoding (TTrayText) and already cut to whole characters.
struct TTrayIconView {
  std::int32_t id = 0;
  std::string tip;  // at most 63 bytes; empty: no tip
  TIconHandle picture = 0;
  bool visible = true;
};

struct TBalloonView {
  TBalloonInfoIconFlag icon = TBalloonInfoIconFlag::biifNone;
  std::string title;  // at most 63 bytes
  std::string text;   // at most 255 bytes; may be empty
  TBalloonTimeout timeout = 10;
};

enum class TPointerAction : std::uint8_t { paMove, paPress, paRelease, paDoubleClick };

struct TPointerEvent {
  TPointerAction action = TPointerAction::paMove;
  TMouseButton button = TMouseButton::mbLeft;  // says nothing for a move
  TPoint at;                                   // in screen coordinates
};

enum class TBalloonEvent : std::uint8_t { beShown, beHidden, beTimedOut, beClicked };

// What the area reports to one icon, on the user-interface thread.
class TTrayIconEvents {
 public:
  virtual void PointerEvent(const TPointerEvent& event) = 0;
  virtual void BalloonEvent(TBalloonEvent event) = 0;
  // The area started anew (its shell restarted) and may have lost the icon.
  virtual void AreaRestarted() = 0;

 protected:
  ~TTrayIconEvents() = default;
};

// Every call but Update comes from the user-interface thread; a call that
// returns false was refused and changed nothing.
class TNotifyArea {
 public:
  // A hidden icon keeps its place and balloons show. Otherwise hiding must
  // remove the icon, and a balloon shows nothing.
  virtual bool HidesInPlace() = 0;
  // Icon `id` of `owner` lives: what happens over it goes to `events` until
  // it disconnects. It is not shown until it is added.
  virtual void Connect(std::int32_t id, TComponent* owner, TTrayIconEvents& events) = 0;
  virtual void Disconnect(std::int32_t id) = 0;
  virtual bool Add(const TTrayIconView& view) = 0;
  // The tip and the picture; also from an animation thread.
  virtual bool Update(const TTrayIconView& view) = 0;
  // Hides the icon in place, or shows it again, as `view.visible` says.
  virtual bool SetShown(const TTrayIconView& view) = 0;
  virtual void Remove(const TTrayIconView& view) = 0;
  virtual bool ShowBalloon(const TTrayIconView& view, const TBalloonView& balloon) = 0;
  virtual bool HideBalloon(const TTrayIconView& view) = 0;
  // The menu that hosts which draw an icon's menu themselves show for icon
  // `id`, or null for none; told again whenever its items change. The area
  // may read the menu, and run its items' click handlers, until the next
  // call for the icon or its disconnection.
  virtual void SetMenu(std::int32_t id, TPopupMenu* menu) = 0;

 protected:
  ~TNotifyArea() = default;
};

// The encoding of the area's texts.
class TTrayText {
 public:
  // Form descriptions hold UTF-8.
  virtual std::string Encode(std::string_view utf8) = 0;
  // The bytes of the character that `text` (not empty) begins with.
  virtual std::size_t CharacterLength(std::string_view text) = 0;

 protected:
  ~TTrayText() = default;
};

// The longest start of `text` that ends on a character's end and has at most
// `max_bytes` bytes, so that no platform is handed half a character.
std::string_view WholeCharacters(std::string_view text, std::size_t max_bytes, TTrayText& encoding);

class TTrayInput {
 public:
  virtual std::uint32_t DoubleClickTime() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // From any thread: `call` runs later on the user-interface thread.
  virtual void PostToUserInterface(std::function<void()> call) = 0;

 protected:
  ~TTrayInput() = default;
};

class TTrayForms {
 public:
  // Brings `owner` to the foreground when it is a form; false when it is none.
  virtual bool ForegroundForm(TComponent* owner) = 0;
  // Brings the program's active form, if it has one, to the foreground.
  virtual void ForegroundActiveForm() = 0;
  // The icon of `owner` when it is a form that has one, else 0.
  virtual TIconHandle FormIcon(TComponent* owner) = 0;
  virtual TIconHandle ApplicationIcon() = 0;

 protected:
  ~TTrayForms() = default;
};

// One platform's implementations, with the register of the icons that
// share them; each outlives the tray icons given it.
struct TTrayPlatform {
  TNotifyArea& area;
  TTrayText& text;
  TTrayInput& input;
  TTrayForms& forms;
  TTrayIconIds& ids;
};

}  // namespace snx
