#pragma once
// The input submenu: the system's default, a separator, then each device by
// its name, the chosen one checked.
#include <functional>
#include <string>
#include <vector>

#include "framework/core/menu.h"
#include "main/core/input_devices.h"

namespace snx {

inline constexpr char kDefaultInputCaption[] = "既定の入力";

class TInputMenu {
 public:
  // `choose` gets the chosen device's id, "" for the system's default.
  using TChoose = std::function<void(const std::string& id)>;

  // `submenu`'s owner owns the rows made under it.
  TInputMenu(TMenuItem& submenu, TChoose choose);

  // Makes the rows show `devices`, and `chosen` ("" for the default) checked.
  // A chosen device that is not there now still shows, checked, so that the
  // menu never claims the default is metered. Rows that already say so are
  // left alone: a host showing the menu is not made to fetch it again.
  void Update(const std::vector<TInputDevice>& devices, const std::string& chosen);

 private:
  struct TRow {
    std::string id;
    std::string caption;
    bool checked;
    bool operator==(const TRow&) const = default;
  };

  TMenuItem& submenu_;
  TChoose choose_;
  std::vector<TRow> shown_;
  bool built_ = false;
};

}  // namespace snx
