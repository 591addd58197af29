#pragma once
// The version dialog: the program's title, the maker, a web link, a mail
// link and a banner, white on black. Closing it only hides it.
#include "framework/core/controls.h"
#include "framework/platform.h"
#include "urllink/core/urllink.h"

namespace snx {

class TSNX_ABOUT : public TForm {
 public:
  explicit TSNX_ABOUT(TComponent* owner);

  // Published components, bound by name from the form description.
  TLabel* Label1 = nullptr;
  TLabel* Label3 = nullptr;
  TImage* IMG = nullptr;
  TURLLink* L_URL = nullptr;
  TURLLink* L_Email = nullptr;

  // Published handler: the title label shows the application's main form's caption.
  void FormShow(TObject* sender);
};

}  // namespace snx
