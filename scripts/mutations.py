"""The slips scripts/mutate.py makes, one at a time: each an exact text of a
source (found exactly once in its file), the text a careless edit could leave
in its place, the build whose tests should notice (host, host-tsan, linux or
win32, the last meaning whichever Windows build Wine runs here), those tests
as ctest's selection, and the targets that build them. A slip that no test
can tell from the code it replaces carries `equivalent` with the reason."""

# Areas a run can be narrowed to.
AREAS = {"core", "winmm", "pulse", "tray", "skins", "settings", "forms"}

_CORE = dict(area="core", preset="host", tests="-L ^main_core_tests$", targets="main_core_tests")
_WINMM = dict(area="winmm", preset="host", tests="-L ^main_winmm_tests$", targets="main_winmm_tests")
_PULSE = dict(area="pulse", preset="linux", tests="-R ^main_linux_tests$", targets="main_linux_tests skins")
_TRAY = dict(area="tray", preset="host", tests="-L ^trayicon_core_tests$", targets="trayicon_core_tests")
_SHELL = dict(area="tray", preset="host", tests="-L ^trayicon_shell_tests$", targets="trayicon_shell_tests")
_TRAY_WIN32 = dict(area="tray", preset="win32", tests="-R ^trayicon_win32_tests$", targets="trayicon_win32_tests")
_TRAY_LINUX = dict(area="tray", preset="linux", tests="-R ^trayicon_linux_tests$", targets="trayicon_linux_tests")
_BITMAP = dict(area="skins", preset="host", tests="-L ^framework_core_tests$", targets="framework_core_tests")
_GDI_SKIN = dict(area="skins", preset="win32", tests="-R ^main_win32_tests$", targets="main_win32_tests")
_X_SKIN = dict(area="skins", preset="linux", tests="-R ^main_linux_tests$", targets="main_linux_tests skins")
_SETTINGS = dict(area="settings", preset="host", tests="-L ^framework_core_tests$", targets="framework_core_tests")
_SETTINGS_WIN32 = dict(area="settings", preset="win32", tests="-R ^framework_win32_tests$",
                       targets="framework_win32_tests")
_SETTINGS_LINUX = dict(area="settings", preset="linux", tests="-R ^framework_linux_tests$",
                       targets="framework_linux_tests")
_INPUTS = dict(area="core", preset="host", tests="-L ^main_core_tests$", targets="main_core_tests")
_STRIP = dict(area="core", preset="host", tests="-L ^main_strip_tests$", targets="main_strip_tests")
_SOURCES = dict(area="pulse", preset="linux", tests="-R ^main_linux_input_tests$", targets="main_linux_input_tests")
_FORMS = dict(area="forms", preset="host", tests="-L ^framework_core_tests$", targets="framework_core_tests")
_FORMS_WIN32 = dict(area="forms", preset="win32", tests="-R ^framework_win32_tests$", targets="framework_win32_tests")

SLIPS = [
    # The portable core: levels and ballistics.
    dict(_CORE, id="level-acceleration", file="main/core/level_meter.cpp",
         original="kLevelAcceleration = 0.4;", replacement="kLevelAcceleration = 0.5;"),
    dict(_CORE, id="channels-swapped", file="main/core/level_meter.cpp",
         original="Raise(levels_[0], left);\n  Raise(levels_[1], right);",
         replacement="Raise(levels_[0], right);\n  Raise(levels_[1], left);"),
    dict(_CORE, id="short-buffer-read", file="main/core/level_meter.cpp",
         original="length < 2) return;", replacement="length < 1) return;"),
    dict(_CORE, id="peak-below-bar", file="main/core/level_meter.cpp",
         original="  if (!(channel.Peak >= channel.Level)) channel.Peak = channel.Level;\n", replacement=""),
    dict(_CORE, id="decay-unlocked", file="main/core/level_meter.cpp", preset="host-tsan",
         original="void TChannelLevels::DecayLevels() {\n  const std::lock_guard lock(mutex_);\n",
         replacement="void TChannelLevels::DecayLevels() {\n"),

    # The clock that lets the strip rest.
    dict(_CORE, id="rest-ignores-platform", file="main/core/meter_clock.cpp",
         original="const bool idle = may_rest_ && capture_.CaptureIdle();",
         replacement="const bool idle = capture_.CaptureIdle();"),
    dict(_CORE, id="idle-asked-after-the-levels", file="main/core/meter_clock.cpp",
         original="  const bool idle = may_rest_ && capture_.CaptureIdle();\n  levels_.DecayLevels();\n"
                  "  return !(idle && LevelsAtRest(levels_.Snapshot()));",
         replacement="  levels_.DecayLevels();\n  const TStereoLevels levels = levels_.Snapshot();\n"
                     "  const bool idle = may_rest_ && capture_.CaptureIdle();\n"
                     "  return !(idle && LevelsAtRest(levels));"),

    # The pacer that lets measured sound drive the ticks, and the collector that measures it.
    dict(_CORE, id="owed-ticks-unspaced", file="main/core/meter_pacer.cpp",
         original="return ticked_ ? last_tick_ + kTickSpacing : last_tick_;", replacement="return last_tick_;"),
    dict(_CORE, id="owed-ticks-unbounded", file="main/core/meter_pacer.cpp",
         original="owed_ = std::min(owed_ + 1, kMostOwed);", replacement="owed_ = owed_ + 1;"),
    dict(_CORE, id="gap-ticks-a-period-apart", file="main/core/meter_pacer.cpp",
         original="  return last_tick_ + kSoundGap;", replacement="  return last_tick_ + kTickPeriod;"),
    dict(_CORE, id="timer-ticks-repaid", file="main/core/meter_pacer.cpp",
         original="  if (sounding_) owed_ = std::max(owed_ - 1, -kMostOwed);",
         replacement="  owed_ = std::max(owed_ - 1, -kMostOwed);"),
    dict(_CORE, id="credit-unbounded", file="main/core/meter_pacer.cpp",
         original="owed_ = std::max(owed_ - 1, -kMostOwed);", replacement="owed_ = owed_ - 1;"),
    dict(_CORE, id="buffers-half-a-buffer-off", file="main/core/middle_frame_collector.cpp",
         original="void TMiddleFrameCollector::Restart() {\n  filled_ = 0;",
         replacement="void TMiddleFrameCollector::Restart() {\n  filled_ = kMiddleFrameEnd;"),
    dict(_CORE, id="middle-frame-not-newest", file="main/core/middle_frame_collector.cpp",
         original="  if (!pending_) return;\n  std::copy_n(newest_.begin(), kCaptureFrameSize, buffer_.begin() + kMiddleFrame);\n",
         replacement="  if (!pending_) return;\n"),
    dict(_CORE, id="bunched-middle-dropped", file="main/core/middle_frame_collector.cpp",
         original="    if (pending_) MeasurePending();", replacement="    pending_ = false;"),
    dict(_CORE, id="stopped-middle-kept", file="main/core/middle_frame_collector.cpp",
         original="  filled_ = 0;\n  pending_ = false;", replacement="  filled_ = 0;"),

    # The composer and the painter.
    dict(_CORE, id="right-row-misplaced", file="main/core/meter_composer.cpp",
         original="kRowY[2] = {1, 17};", replacement="kRowY[2] = {1, 16};"),
    dict(_CORE, id="odd-step-rounded-down", file="main/core/meter_composer.cpp",
         original="step % 2 != 0 ? step + 1 : step;", replacement="step % 2 != 0 ? step - 1 : step;"),
    dict(_CORE, id="lamp-lit-at-one", file="main/core/meter_composer.cpp",
         original="> 1.0f, DrawingStep(", replacement=">= 1.0f, DrawingStep("),
    dict(_CORE, id="mark-at-step-zero", file="main/core/meter_composer.cpp",
         original="frame[ch].mark > 1) {", replacement="frame[ch].mark > 0) {",
         equivalent="drawing steps are even, so no mark is ever at step 1"),
    dict(_CORE, id="first-paint-shows-rows-only", file="main/core/meter_painter.cpp",
         original="if (repaint || !shown_) {", replacement="if (repaint) {"),

    # Placement.
    dict(_CORE, id="touching-edge-is-on-screen", file="main/core/strip_position.cpp",
         original="return left < area.right &&", replacement="return left <= area.right &&"),
    dict(_CORE, id="fallback-unchecked", file="main/core/strip_position.cpp",
         original="if (OnSomeMonitor(fallback, size, monitors)) return fallback;", replacement="return fallback;"),
    dict(_CORE, id="corner-of-the-bounds", file="main/core/strip_position.cpp",
         original="monitors.front().work_area;", replacement="monitors.front().bounds;"),
    dict(_CORE, id="edges-overflow", file="main/core/strip_position.cpp",
         original="const std::int64_t left = at.x, top = at.y;\n  const std::int64_t right",
         replacement="const std::int32_t left = at.x, top = at.y;\n  const std::int32_t right"),

    # The winmm capture.
    dict(_WINMM, id="partial-buffer-measured", file="main/winmm/winmm_capture.cpp",
         original="if (bytes_recorded < kBufferSize) return;", replacement="if (bytes_recorded == 0) return;"),
    dict(_WINMM, id="hand-back-wrong-buffer", file="main/winmm/winmm_capture.cpp",
         original="hand_back_pending_[0] ? 0 : 1;", replacement="hand_back_pending_[1] ? 0 : 1;"),
    dict(_WINMM, id="stop-does-not-wait", file="main/winmm/winmm_capture.cpp",
         original="    changed_.wait(lock, [this] { return measuring_ == 0; });\n", replacement=""),
    dict(_WINMM, id="failed-start-left-open", file="main/winmm/winmm_capture.cpp",
         original="    CloseDevice();\n    ReleaseBuffers();\n    reporter_.ShowError(\"waveInStart",
         replacement="    ReleaseBuffers();\n    reporter_.ShowError(\"waveInStart"),
    dict(_WINMM, id="repeat-taken-as-early", file="main/winmm/winmm_capture.cpp",
         original="if (requeuing_[index] && bytes_recorded >= kBufferSize)",
         replacement="if (bytes_recorded >= kBufferSize)"),
    dict(_WINMM, id="index-past-the-headers", file="main/winmm/winmm_capture.cpp",
         original="if (index >= kBufferCount) return;", replacement="if (index > kBufferCount) return;"),

    # The PulseAudio capture.
    dict(_PULSE, id="measured-after-stop", file="main/linux/pulse_capture.cpp",
         original="while (length > 0 && phase_ == TPhase::phRunning) {", replacement="while (length > 0) {"),
    dict(_PULSE, id="server-autospawned", file="main/linux/pulse_capture.cpp",
         original="nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr", replacement="nullptr, PA_CONTEXT_NOFLAGS, nullptr",
         equivalent="unseen where the tests run as root (here and in CI): libpulse never starts a server for root, "
                    "and each test names its server, which libpulse does not start either"),
    dict(_PULSE, id="loss-reported-as-record-failure", file="main/linux/pulse_capture.cpp",
         original="Message(kConnectionLost, error)", replacement="Message(kRecordFailed, error)"),
    dict(_PULSE, id="stale-piece-kept", file="main/linux/pulse_capture.cpp",
         original="  collector_.Restart();\n  phase_ = TPhase::phRunning;", replacement="  phase_ = TPhase::phRunning;",
         equivalent="a middle frame is always the new capture's sound; only where its first buffer ends moves, "
                    "which the collector's own tests check"),

    # The loop source libpulse runs on.
    dict(_PULSE, id="loop-source-blocked", file="main/linux/glib_pulse_loop.cpp",
         original="  g_source_set_can_recurse(source_.get(), TRUE);\n", replacement=""),
    dict(_PULSE, id="deferred-a-pass-late", file="main/linux/glib_pulse_loop.cpp",
         original="  loop.RunDeferred();\n  loop.MuteDescriptors(false);", replacement="  loop.MuteDescriptors(false);"),
    dict(_PULSE, id="monotonic-taken-as-wall-clock", file="main/linux/glib_pulse_loop.cpp",
         original="if ((when->tv_usec & kMonotonicMark) != 0)", replacement="if (false)"),
    dict(_PULSE, id="time-event-repeats", file="main/linux/glib_pulse_loop.cpp",
         original="    event->due = -1;\n", replacement=""),
    dict(_PULSE, id="destroy-callback-not-called", file="main/linux/glib_pulse_loop.cpp",
         original="      if (gone->destroy != nullptr) gone->destroy(&api_, gone.get(), gone->userdata);\n", replacement=""),
    # The inputs to choose from, and the choice.
    dict(_INPUTS, id="input-name-as-mnemonic", file="main/core/input_menu.cpp",
         original="rows.push_back({device.id, LiteralCaption(device.label), device.id == chosen});",
         replacement="rows.push_back({device.id, device.label, device.id == chosen});"),
    dict(_INPUTS, id="absent-choice-hidden", file="main/core/input_menu.cpp",
         original="  if (!chosen.empty() && !present) rows", replacement="  if (chosen.empty() && !present) rows"),
    dict(_INPUTS, id="default-input-key-kept", file="main/core/main_settings.cpp",
         original="    ini.DeleteKey(kSection, kDeviceKey);\n", replacement=""),
    dict(_INPUTS, id="default-input-key-always-deleted", file="main/core/main_settings.cpp",
         original="  } else if (!ini.ReadString(kSection, kDeviceKey, \"\").empty()) {", replacement="  } else {"),
    dict(_STRIP, id="choice-not-started", file="main/snx_main.cpp",
         original="  if (capturing) PM_StartClick(this);\n", replacement=""),
    dict(_STRIP, id="choice-not-handed-to-capture", file="main/snx_main.cpp",
         original="  devices_->Capture().SetDevice(device_);\n", replacement=""),
    dict(_WINMM, id="twin-device-not-kept", file="main/winmm/winmm_capture.cpp",
         original="if (last < names.size() && names[last] == name) return last;",
         replacement="if (last < names.size() && names[last] == name && last == 0) return last;"),
    dict(_WINMM, id="device-by-old-identifier", file="main/winmm/winmm_capture.cpp",
         original="if (last < names.size() && names[last] == name) return last;",
         replacement="if (last < names.size()) return last;"),
    dict(_WINMM, id="chosen-device-not-opened", file="main/winmm/winmm_capture.cpp",
         original="device_.Open(kWaveFormat, *this, device_id)",
         replacement="device_.Open(kWaveFormat, *this, kWaveMapper)"),
    dict(_SOURCES, id="chosen-source-moved", file="main/linux/pulse_capture.cpp",
         original="(chosen ? PA_STREAM_DONT_MOVE : 0)", replacement="0"),
    dict(_SOURCES, id="chosen-source-ignored", file="main/linux/pulse_capture.cpp",
         original="chosen ? device_.c_str() : nullptr", replacement="nullptr"),
    dict(_SOURCES, id="monitor-unnamed", file="main/linux/pulse_sources.cpp",
         original="devices[at].label = kMonitorPrefix + named->second;", replacement="devices[at].label = named->second;"),

    # The tray icon component.
    dict(_TRAY, id="tip-one-byte-long", file="trayicon/core/tray_icon.cpp",
         original="kTipBytes = 63;", replacement="kTipBytes = 64;"),
    dict(_TRAY, id="animate-rate-floor", file="trayicon/core/tray_icon.cpp",
         original="std::max(value, 10);", replacement="std::max(value, 1);"),
    dict(_TRAY, id="shown-again-by-add", file="trayicon/core/tray_icon.cpp",
         original="icon_added_ && hides_in_place_ ? TTrayIconMode::tiShowIcon",
         replacement="icon_added_ || hides_in_place_ ? TTrayIconMode::tiShowIcon"),
    dict(_TRAY, id="change-during-add-lost", file="trayicon/core/tray_icon.cpp",
         original="if (changed) IconChange(this);", replacement="if (!changed) IconChange(this);"),
    dict(_TRAY, id="menu-request-while-open-kept", file="trayicon/core/tray_icon_events.cpp",
         original="if (popup_running_) return;", replacement="if (popup_running_ && false) return;"),
    dict(_TRAY, id="popup-end-through-ended-icon", file="trayicon/core/tray_icon_events.cpp",
         original="  menu.Popup(at.x, at.y);\n}", replacement="  menu.Popup(at.x, at.y);\n  popup_running_ = false;\n}"),
    dict(_TRAY, id="second-click-waits-again", file="trayicon/core/tray_icon_events.cpp",
         original="if (OnClick && !click_pending_) {", replacement="if (OnClick) {"),
    dict(_TRAY, id="menus-swapped", file="trayicon/core/tray_icon_events.cpp",
         original="TMouseButton::mbLeft    ? lb_popup_menu_", replacement="TMouseButton::mbLeft    ? rb_popup_menu_"),
    dict(_TRAY, id="single-click-early", file="trayicon/core/single_click.cpp",
         original="input.DoubleClickTime() + 50", replacement="input.DoubleClickTime() + 5"),
    dict(_TRAY, id="stop-returns-between-frames", file="trayicon/core/tray_icon_animate.cpp",
         original="return parked_ == TPark::pkIdle && !wake_;", replacement="return parked_ != TPark::pkRunning && !wake_;",
         equivalent="once Stop has cleared animating_ the thread parks only idle, so any park after the wake is that one"),

    # The shell's notification area.
    dict(_SHELL, id="record-sizes-swapped", file="trayicon/win32/shell_notify_area.cpp",
         original="features_.full_record ? kNotifyIconDataV5Size : kNotifyIconDataV1Size;",
         replacement="features_.full_record ? kNotifyIconDataV1Size : kNotifyIconDataV5Size;"),
    dict(_SHELL, id="one-retry-fewer", file="trayicon/win32/shell_notify_area.cpp",
         original="retries >= 5) return false;", replacement="retries >= 4) return false;"),
    dict(_SHELL, id="balloon-timeout-in-seconds", file="trayicon/win32/shell_notify_area.cpp",
         original="balloon.timeout * 1000u;", replacement="balloon.timeout;"),
    dict(_SHELL, id="right-release-as-left", file="trayicon/win32/shell_notify_area.cpp",
         original="{kRButtonUp, TPointerAction::paRelease, TMouseButton::mbRight},",
         replacement="{kRButtonUp, TPointerAction::paRelease, TMouseButton::mbLeft},"),
    dict(_SHELL, id="last-failure-raised", file="trayicon/win32/shell_notify_area.cpp",
         original="if (!failure) failure = std::current_exception();", replacement="failure = std::current_exception();"),
    dict(_SHELL, id="field-without-terminator", file="trayicon/win32/shell_notify_area.cpp",
         original="std::min(text.size(), N - 1)", replacement="std::min(text.size(), N)"),

    # The Win32 tray platform, under Wine.
    dict(_TRAY_WIN32, id="cursor-axes-swapped", file="trayicon/win32/win32_tray_platform.cpp",
         original="return {point.x, point.y};", replacement="return {point.y, point.x};"),
    dict(_TRAY_WIN32, id="lead-byte-ignored", file="trayicon/win32/win32_tray_platform.cpp",
         original="static_cast<BYTE>(text.front())) ? 2 : 1;", replacement="static_cast<BYTE>(text.front())) ? 1 : 1;"),
    dict(_TRAY_WIN32, id="gone-window-reused", file="trayicon/win32/win32_tray_platform.cpp",
         original="      if (message == WM_NCDESTROY) window_gone_ = true;\n", replacement=""),

    # The Linux tray.
    dict(_TRAY_LINUX, id="fallback-picture-bgr", file="trayicon/linux/status_icon_fallback.cpp",
         original="for (const int shift : {16, 8, 0, 24})", replacement="for (const int shift : {0, 8, 16, 24})"),
    dict(_TRAY_LINUX, id="secondary-activate-as-left", file="trayicon/linux/status_notifier_item.cpp",
         original="if (name == \"SecondaryActivate\") {\n    button = TMouseButton::mbMiddle;",
         replacement="if (name == \"SecondaryActivate\") {\n    button = TMouseButton::mbLeft;"),

    # The skins: stored bitmaps, and the GDI and X skins.
    dict(_BITMAP, id="bottom-up-row-off-by-one", file="framework/core/bitmap.cpp",
         original="top_down_ ? y : height_ - 1 - y", replacement="top_down_ ? y : height_ - y"),
    dict(_BITMAP, id="index-bits-reversed", file="framework/core/bitmap.cpp",
         original="(p[bit / 8] >> (8 - bits - bit % 8))", replacement="(p[bit / 8] >> (bit % 8))"),
    dict(_BITMAP, id="five-bits-not-widened", file="framework/core/bitmap.cpp",
         original="return (five << 3) | (five >> 2);", replacement="return five << 3;"),
    dict(_BITMAP, id="rows-over-the-table", file="framework/core/bitmap.cpp",
         original="if (bits_offset < table_end || ", replacement="if (bits_offset < table_end - colors * 4 || "),
    dict(_BITMAP, id="rows-unaligned", file="framework/core/bitmap.cpp",
         original="* bit_count + 31) / 32 * 4;", replacement="* bit_count + 7) / 8;"),
    dict(_GDI_SKIN, id="gdi-sources-swapped", file="main/win32/meter_skin.cpp",
         original="source == TMeterSource::msBack ? BackDC.get() : PartsDC.get();",
         replacement="source == TMeterSource::msBack ? PartsDC.get() : BackDC.get();"),
    dict(_GDI_SKIN, id="gdi-back-from-parts", file="main/win32/meter_skin.cpp",
         original="BackBitmap.reset(LoadBitmapFile(main_skin));", replacement="BackBitmap.reset(LoadBitmapFile(parts_skin));"),
    dict(_X_SKIN, id="x-source-unscaled", file="main/linux/meter_skin.cpp",
         original="gc_.Get(), source_x * scale_, source_y * scale_,", replacement="gc_.Get(), source_x, source_y * scale_,"),
    dict(_X_SKIN, id="x-large-skin-accepted", file="main/linux/meter_skin.cpp",
         original="kLargestSkinSide = 1024;", replacement="kLargestSkinSide = 32767;"),

    # The settings file: integer rules, the INI text, the three keys, both files.
    dict(_SETTINGS, id="signed-hex-accepted", file="framework/core/ini_file.cpp",
         original="  if (hex && i > 0) return std::nullopt;\n", replacement=""),
    dict(_SETTINGS, id="all-ones-refused", file="framework/core/ini_file.cpp",
         original="if (value > 0xFFFFFFFFull) return std::nullopt;", replacement="if (value >= 0xFFFFFFFFull) return std::nullopt;"),
    dict(_SETTINGS, id="two-is-false", file="framework/core/ini_file.cpp",
         original="fallback ? 1 : 0) != 0;", replacement="fallback ? 1 : 0) == 1;"),
    dict(_SETTINGS, id="crlf-kept-in-value", file="framework/core/ini_text.cpp",
         original="    if (end > begin && text[end - 1] == '\\r') --end;\n", replacement=""),
    dict(_SETTINGS, id="section-case-sensitive", file="framework/core/ini_text.cpp",
         original="inside = SameName(*name, section);", replacement="inside = *name == section;"),
    dict(_SETTINGS, id="comment-counted-as-entry", file="framework/core/ini_text.cpp",
         original="if (trimmed.empty() || trimmed.starts_with(';')) continue;", replacement="if (trimmed.empty()) continue;"),
    dict(_SETTINGS, id="value-cut-mid-character", file="framework/core/ini_text.cpp",
         original="  while (size > 0 && (static_cast<unsigned char>(value[size]) & 0xC0) == 0x80) --size;\n",
         replacement=""),
    dict(_SETTINGS, id="key-glued-to-last-line", file="framework/core/ini_text.cpp",
         original="    if (at == text.size() && !text.empty() && !text.ends_with('\\n')) result.append(line_break);\n",
         replacement=""),
    dict(_SETTINGS_WIN32, id="y-read-from-x", file="main/core/main_settings.cpp",
         original="s.top = ini.ReadInteger(kSection, \"MainY\", defaults.top);",
         replacement="s.top = ini.ReadInteger(kSection, \"MainX\", defaults.top);"),
    dict(_SETTINGS_WIN32, id="top-not-written", file="main/core/main_settings.cpp",
         original="  ini.WriteBool(kSection, \"Top\", settings.stay_on_top);\n", replacement=""),
    dict(_SETTINGS_WIN32, id="win32-failed-write-silent", file="framework/win32/ini_file.cpp",
         original="Widen(value).c_str(),\n                                  Widen(FileName()).c_str())) {\n    RaiseWriteError();\n",
         replacement="Widen(value).c_str(),\n                                  Widen(FileName()).c_str())) {\n"),
    dict(_SETTINGS_LINUX, id="linux-mode-bits-dropped", file="framework/linux/ini_file.cpp",
         original="mode = status.st_mode & 07777;", replacement="mode = status.st_mode & 0777;"),
    dict(_SETTINGS_LINUX, id="linux-unreadable-overwritten", file="framework/linux/ini_file.cpp",
         original="  // An unreadable file is not overwritten: its other lines would be lost.\n  if (!text) RaiseWriteError();\n",
         replacement="  // An unreadable file is not overwritten: its other lines would be lost.\n"),
    dict(_SETTINGS_LINUX, id="linux-temporary-left", file="framework/linux/ini_file.cpp",
         original="    unlink(temporary.c_str());\n    return false;", replacement="    return false;"),

    # The forms: description parser, reader, forms and menus.
    dict(_FORMS_WIN32, id="pump-inside-menu-loop", file="framework/win32/application.cpp",
         original="(GUI_INMENUMODE | GUI_INMOVESIZE)", replacement="GUI_INMOVESIZE"),
    dict(_FORMS_WIN32, id="pump-inside-move-loop", file="framework/win32/application.cpp",
         original="(GUI_INMENUMODE | GUI_INMOVESIZE)", replacement="GUI_INMENUMODE"),
    dict(_FORMS, id="top-integer-refused", file="framework/core/form_description.cpp",
         original="integer > INT32_MAX) throw", replacement="integer >= INT32_MAX) throw"),
    dict(_FORMS, id="nesting-one-deeper", file="framework/core/form_description.cpp",
         original="if (depth > kMaxObjectDepth) Fail(", replacement="if (depth > kMaxObjectDepth + 1) Fail("),
    dict(_FORMS, id="doubled-quote-ends-string", file="framework/core/form_description.cpp",
         original="        out += '\\'';\n        ++pos_;\n", replacement="        out += '\\'';\n"),
    dict(_FORMS, id="hex-nibbles-swapped", file="framework/core/form_description.cpp",
         original="high * 16 + digit", replacement="high + digit * 16"),
    dict(_FORMS, id="trailing-text-accepted", file="framework/core/form_description.cpp",
         original="    if (pos_ != text_.size()) Fail(\"text after the last 'end'\");\n", replacement=""),
    dict(_FORMS, id="duplicate-names-accepted", file="framework/core/reader.cpp",
         original="  if (named_.contains(description.name)) throw EReadError(\"form description: two components named \" + "
                  "description.name);\n",
         replacement=""),
    dict(_FORMS, id="unbound-field-accepted", file="framework/core/reader.cpp",
         original="  for (const TPublishedField& field : published_.fields) {\n    if (!field.bound()) throw EReadError("
                  "\"form description: no component for the field \" + field.name);\n  }\n",
         replacement=""),
    dict(_FORMS, id="child-added-to-the-root", file="framework/core/reader.cpp",
         original="parent->AddChildComponent(child);",
         replacement="static_cast<void>(parent);\n  root_->AddChildComponent(child);"),
    dict(_FORMS, id="client-width-as-height", file="framework/core/custom_form.cpp",
         original="SetClientSize(value.AsInteger(), client_height_);", replacement="SetClientSize(client_width_, value.AsInteger());"),
    dict(_FORMS, id="old-create-order-inverted", file="framework/core/custom_form.cpp",
         original="  if (old_create_order_) DoCreate();", replacement="  if (!old_create_order_) DoCreate();"),
    dict(_FORMS, id="children-keep-a-gone-parent", file="framework/core/menu.cpp",
         original="  for (TMenuItem* item : items_) item->parent_ = nullptr;\n", replacement=""),
    dict(_FORMS, id="chosen-item-not-clicked", file="framework/core/menu.cpp",
         original="if (TMenuItem* chosen = ApplicationOf(this).TrackPopupMenu(*this, x, y)) chosen->Click();",
         replacement="ApplicationOf(this).TrackPopupMenu(*this, x, y);"),
]
