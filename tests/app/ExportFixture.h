#pragma once
// The workstation started on the default catalogue, its export dialog
// answered by the test: every dialog shown is recorded, and the operator
// picks FChosen (an empty FChosen cancels the dialog).

#include "Workstation.h"
#include "toolkit/Dialogs.h"

#include <vector>

namespace tallivo::test {

class ExportFixture : public WorkstationTest {
protected:
    void SetUp() override {
        WorkstationTest::SetUp();
        WriteDefaultCatalogue();
        Start();
        TSaveDialog::ExecuteHook = [this](TSaveDialog& d) {
            FDialogs.push_back({d.DefaultExt, d.FileName, d.Filter, d.InitialDir});
            if (FChosen.isEmpty()) return false;
            d.FileName = FChosen;
            return true;
        };
    }
    void TearDown() override {
        TSaveDialog::ExecuteHook = nullptr;
        WorkstationTest::TearDown();
    }
    // Touches "Exporter"; with done, the message of a finished export is
    // expected and answered.
    void RunExport(bool done = true) {
        if (done) ExpectMessage("Opération terminée");
        Click(Form().Button2);
        Settle();
    }

    // The dialog as it was shown.
    struct TShown {
        QString DefaultExt, FileName, Filter, InitialDir;
    };
    std::vector<TShown> FDialogs;
    QString FChosen;
};

} // namespace tallivo::test
