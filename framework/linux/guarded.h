#pragma once
// Exceptions never unwind through GTK's C code: a signal handler or a main
// loop callback that lets one escape shows it in the standard error box.
#include <exception>

#include "framework/core/application.h"

namespace snx {

template <class F>
void Guarded(F&& f) {
  try {
    f();
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
}

}  // namespace snx
