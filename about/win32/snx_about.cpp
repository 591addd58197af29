#include "about/win32/snx_about.h"

#include "main/win32/snx_main.h"
#include "urllink/win32/link_desktop.h"

namespace snx {

TSNX_ABOUT* SNX_ABOUT = nullptr;

namespace {

const ComponentClassTable& AboutClasses() {
  static const ComponentClassTable classes{
      {"TLabel", Creates<TLabel>()},
      {"TImage", Creates<TImage>()},
      {"TURLLink", [](TComponent* owner) -> TComponent* { return new TURLLink(owner, Win32LinkDesktop()); }},
  };
  return classes;
}

}  // namespace

TSNX_ABOUT::TSNX_ABOUT(TComponent* owner) : TForm(owner) {
  const MethodTable methods{
      {"FormShow", TNotifyEvent([this](TObject* s) { FormShow(s); })},
  };
  ReadDescription("TSNX_ABOUT", AboutClasses(), methods);
}

void TSNX_ABOUT::BindPublishedField(std::string_view name, TComponent* c) {
  if (name == "Label1") BindField(Label1, c);
  else if (name == "Label3") BindField(Label3, c);
  else if (name == "IMG") BindField(IMG, c);
  else if (name == "L_URL") BindField(L_URL, c);
  else if (name == "L_Email") BindField(L_Email, c);
}

void TSNX_ABOUT::FormShow(TObject*) { Label1->SetCaption(SNX_MAIN->Caption()); }

}  // namespace snx
