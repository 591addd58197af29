#include "trayicon/core/single_click.h"

#include <utility>

namespace snx {

TSingleClick::TSingleClick(TTrayInput& input, std::function<void(TSingleClick*)> ended)
    : thread_([this, &input, ended = std::move(ended)]() mutable {
        input.Sleep(input.DoubleClickTime() + 50);
        input.PostToUserInterface([this, ended = std::move(ended)] { ended(this); });
      }) {}

TSingleClick::~TSingleClick() { thread_.join(); }

}  // namespace snx
