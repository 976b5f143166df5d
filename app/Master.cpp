#include "app/Master.h"

namespace tallivo {

TMasterform* Masterform = nullptr;

TMasterform::TMasterform(TComponent* AOwner) : TForm(AOwner) {
    CreateLayout();
    OnResize = [this](TObject* s) { FormResize(s); };
    OnActivate = [this](TObject* s) { FormResize(s); };
    DoCreate();
}

TMasterform::~TMasterform() {
    if (Masterform == this) Masterform = nullptr;
}

void TMasterform::FormResize(TObject*) {
    // One row of command panels from 1024 pixels on, two rows below.
    FlowPanel1->SetHeight(Width() >= 1024 ? 134 : 222);
}

} // namespace tallivo
