#include "about/snx_about.h"

namespace snx {

namespace {

const ComponentClassTable& AboutClasses() {
  static const ComponentClassTable kClasses{
      {"TLabel", Creates<TLabel>()},
      {"TImage", Creates<TImage>()},
      {"TURLLink", [](TComponent* owner) -> TComponent* { return new TURLLink(owner, SystemLinkDesktop()); }},
  };
  return kClasses;
}

const TPublished<TSNX_ABOUT>& AboutPublished() {
  static const TPublished<TSNX_ABOUT> kPublished{
      {"Label1", &TSNX_ABOUT::Label1}, {"Label3", &TSNX_ABOUT::Label3},   {"IMG", &TSNX_ABOUT::IMG},
      {"L_URL", &TSNX_ABOUT::L_URL},   {"L_Email", &TSNX_ABOUT::L_Email}, {"FormShow", &TSNX_ABOUT::FormShow},
  };
  return kPublished;
}

}  // namespace

TSNX_ABOUT::TSNX_ABOUT(TComponent* owner) : TForm(owner) {
  ReadDescription("TSNX_ABOUT", AboutClasses(), AboutPublished().For(*this));
}

void TSNX_ABOUT::FormShow(TObject*) {
  if (const TCustomForm* main_form = OwnerApplication().MainForm()) Label1->SetCaption(main_form->Caption());
}

}  // namespace snx
