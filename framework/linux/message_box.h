#pragma once
// The error box: a modal message dialog with the error icon and one OK button.
#include <gtk/gtk.h>

#include <string>

namespace snx {

// Returns when the user has closed the box. `parent` may be null.
void ShowErrorBox(GtkWindow* parent, const std::string& text, const std::string& caption);

}  // namespace snx
