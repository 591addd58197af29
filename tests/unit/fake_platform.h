#pragma once
// The platform that the unit tests give the code written once over the
// framework (framework/platform.h chooses it when SONALIX_FAKE_PLATFORM is
// defined): an application, forms and a timer with no window system behind
// them, which record what they are asked and run what the test plays.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/custom_form.h"
#include "framework/core/geometry.h"
#include "framework/core/menu.h"
#include "framework/core/object.h"
#include "framework/core/stored_description.h"
#include "framework/core/timer.h"

namespace snx {

class TFakeApplication final : public TApplication {
 public:
  ~TFakeApplication() override { DestroyComponents(); }

  std::string ExeName() const override { return "/opt/sonalix/sonalix"; }
  // Runs what the test left pending, as the messages a pump would handle.
  void ProcessMessages() override {
    ++pumps;
    if (pending) std::exchange(pending, nullptr)();
  }
  // Shows nothing: `choose` plays the user's choice, which the caller then clicks.
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override {
    popups.emplace_back(x, y);
    return choose ? choose(menu) : nullptr;
  }
  void Terminate() override { terminated = true; }

  int pumps = 0;
  std::function<void()> pending;
  std::vector<std::pair<int, int>> popups;
  std::function<TMenuItem*(const TPopupMenu&)> choose;
  bool terminated = false;
  std::vector<std::string> error_boxes;  // their texts

 protected:
  void ShowErrorBox(const std::string& text, const std::string&) override { error_boxes.push_back(text); }
};

// A form shown by a flag, built from the description stored under its class
// name (sonalix_embed_text with FORM).
class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}

  int Width() const { return ClientWidth(); }
  int Height() const { return ClientHeight(); }

  bool Visible() const override { return visible_; }
  void Show() override {
    if (visible_) return;
    if (OnShow) OnShow(this);
    visible_ = true;
  }
  void Hide() override {
    visible_ = false;
    MouseLeft();
  }
  // Returns at once, as a dialog closed as soon as it was up would.
  int ShowModal() override {
    if (visible_) throw EInvalidOperation("表示されているウィンドウをモーダルにすることはできません");
    ++modal_shows;
    BeginModal();
    Show();
    visible_ = false;
    EndModal();
    return ModalResult();
  }
  void SetStayOnTop(bool stay_on_top) override { stay_on_top_requests.push_back(stay_on_top); }
  void StartWindowDrag() override { ++drags; }

  void InvalidateClientRect(const TRect&) override {}
  TSize TextExtent(const TFont&, std::string_view) override { return {}; }
  std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox&) override {
    throw EInvalidOperation("no list windows here");
  }

  // What the window system would report: a button pressed or released over
  // the form, a request to paint the window again.
  void PressButton(TMouseButton button, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, TShiftState(), x, y);
  }
  void ReleaseButton(TMouseButton button, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, TShiftState(), x, y);
  }
  void PaintRequest() {
    if (OnPaint) OnPaint(this);
  }

  std::vector<bool> stay_on_top_requests;
  int drags = 0;
  int modal_shows = 0;

 protected:
  std::string_view StoredDescription(const char* class_name) override {
    const std::optional<std::string_view> text = FindStoredDescription(class_name);
    if (!text) throw EReadError(std::string("no form description for ") + class_name);
    return *text;
  }

 private:
  bool visible_ = false;
};

// Ticks only when the test says so, and only while it runs.
class TFakeTimer final : public TTimer {
 public:
  explicit TFakeTimer(TComponent* owner) : TTimer(owner) {}

  bool Running() const { return running_; }
  void Fire() {
    if (running_) OnTimer(this);
  }

 protected:
  void StartTicks(std::uint32_t) override { running_ = true; }
  void StopTicks() override { running_ = false; }

 private:
  bool running_ = false;
};

using TPlatformApplication = TFakeApplication;
using TPlatformTimer = TFakeTimer;

}  // namespace snx
