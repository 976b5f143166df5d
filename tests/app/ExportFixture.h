#pragma once
// The workstation started on the default catalogue, its export dialog
// answered by the test: every dialog shown is recorded, and the operator
// picks FChosen (an empty FChosen cancels the dialog).

#include "Workstation.h"
#include "toolkit/Dialogs.h"

#include <QFileInfo>
#include <algorithm>
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
            // Offered again (the file was refused): the operator cancels.
            if (FChosen.isEmpty() || FAnswered++ > 0) return false;
            d.FileName = FChosen;
            return true;
        };
    }
    void TearDown() override {
        TSaveDialog::ExecuteHook = nullptr;
        WorkstationTest::TearDown();
    }
    // Touches "Exporter"; with done, the message of a finished export is
    // expected and answered. A file of the chosen name is replaced after
    // "Oui" to the question.
    void RunExport(bool done = true) {
        FAnswered = 0;
        if (QFileInfo::exists(FChosen))
            ExpectMessage(QStringLiteral("Le fichier « %1 » existe déjà. Le remplacer ?").arg(FChosen), true,
                          [this, done](TMetroMessage*) {
                              if (done) ExpectMessage("Opération terminée");
                          });
        else if (done)
            ExpectMessage("Opération terminée");
        Click(Form().Button2);
        Settle();
    }

    // The dialog as it was shown.
    struct TShown {
        QString DefaultExt, FileName, Filter, InitialDir;
    };
    std::vector<TShown> FDialogs;
    bool Finished() const {
        return std::find(FMessages.begin(), FMessages.end(), QStringLiteral("Opération terminée")) != FMessages.end();
    }
    QString FChosen;
    int FAnswered = 0;
};

} // namespace tallivo::test
