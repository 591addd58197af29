#include "main/core/input_menu.h"

#include <algorithm>
#include <utility>

namespace snx {

TInputMenu::TInputMenu(TMenuItem& submenu, TChoose choose) : submenu_(submenu), choose_(std::move(choose)) {}

void TInputMenu::Update(const std::vector<TInputDevice>& devices, const std::string& chosen) {
  std::vector<TRow> rows;
  rows.reserve(devices.size() + 1);
  for (const TInputDevice& device : devices)
    rows.push_back({device.id, LiteralCaption(device.label), device.id == chosen});
  const bool present =
      std::any_of(devices.begin(), devices.end(), [&chosen](const TInputDevice& d) { return d.id == chosen; });
  if (!chosen.empty() && !present) rows.push_back({chosen, LiteralCaption(chosen), true});
  if (built_ && rows == shown_) return;

  submenu_.Clear();
  TComponent* owner = submenu_.Owner();
  auto add = [&](const std::string& id, const std::string& caption, bool checked) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    item->SetChecked(checked);
    if (caption != "-") item->OnClick = [this, id](TObject*) { choose_(id); };
    submenu_.Add(item);
  };
  add("", kDefaultInputCaption, chosen.empty());
  add("", "-", false);
  for (const TRow& row : rows) add(row.id, row.caption, row.checked);
  shown_ = std::move(rows);
  built_ = true;
}

}  // namespace snx
