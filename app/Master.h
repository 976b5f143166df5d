#pragma once
// The main window of the workstation: code field, command band, header and
// the collection grid.

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

namespace tallivo {

class TMasterform : public TForm {
public:
    explicit TMasterform(TComponent* AOwner);
    ~TMasterform() override;

    // Controls, by their designed names.
    TPanel* Panel2 = nullptr;
    TPanel* Panel3 = nullptr;
    TLabel* Label2 = nullptr;
    TPanel* AdvMetroButton15 = nullptr;
    TPanel* AdvMetroButton16 = nullptr;
    TPanel* Panel4 = nullptr;
    TPanel* Button2 = nullptr;
    TPanel* AdvMetroTile25 = nullptr;
    TPanel* DBGrid1 = nullptr;
    TFlowPanel* FlowPanel1 = nullptr;
    TPanel* Panel8 = nullptr;
    TLabel* Label19 = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* Edit2 = nullptr;
    TPanel* Button1 = nullptr;
    TPanel* AdvMetroTile71 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* AdvMetroTile1 = nullptr;
    TPanel* AdvMetroTile6 = nullptr;
    TPanel* AdvMetroTile2 = nullptr;
    TPanel* AdvMetroTile4 = nullptr;

    // Handlers.
    void FormResize(TObject* Sender);

private:
    void CreateLayout();
};

extern TMasterform* Masterform;

} // namespace tallivo
