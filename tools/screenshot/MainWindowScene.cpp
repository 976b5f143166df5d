#include "Scenes.h"
#include "app/Master.h"

using namespace tallivo;

TALLIVO_SCENE("main-1208", "the main window at its designed size, 1208 x 746") {
    auto* form = new TMasterform(nullptr);
    form->SetWindowState(wsNormal);
    form->SetClientSize(1208, 746);
    return form;
}

TALLIVO_SCENE("main-1000", "the main window 1000 pixels wide: the command band on two rows") {
    auto* form = new TMasterform(nullptr);
    form->SetWindowState(wsNormal);
    form->SetClientSize(1000, 746);
    return form;
}
