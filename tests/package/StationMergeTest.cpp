// A station's count merged alone is, byte for byte, what the station itself
// exports: the back office imports a merge as one station's export.
#include "tests/app/Workstation.h"
#include "tests/support/ToolRun.h"
#include "toolkit/Dialogs.h"

#include <QFile>
#include <algorithm>

using namespace tallivo;
using namespace tallivo::test;

TEST_F(WorkstationTest, AStationMergedAloneIsItsOwnExport) {
    WriteDefaultCatalogue();
    Start();
    // Awkward lines: an accent and quotes, a ";" in a name, no price, a
    // quantity keyed twice, a decimal quantity.
    EnterCode("3760123450017", [](TNumPadBox* pad) { KeyQuantity(pad, "10"); });
    EnterCode("XY;Z", [](TNumPadBox* pad) { KeyQuantity(pad, "1"); });
    EnterCode("abc", [](TNumPadBox* pad) { KeyQuantity(pad, "2,5"); });
    EnterCode("NOPRICE", [](TNumPadBox* pad) { KeyQuantity(pad, "3"); });
    EnterCode("ABC", [](TNumPadBox* pad) { KeyQuantity(pad, "0,25"); });
    const auto exportTo = [this](const QString& name) {
        TSaveDialog::ExecuteHook = [this, name](TSaveDialog& d) {
            d.FileName = Path(name);
            return true;
        };
        ExpectMessage("Opération terminée");
        Click(Form().Button2);
        Settle();
        TSaveDialog::ExecuteHook = nullptr;
    };
    exportTo("BEFORE.CSV");
    CloseWindow();
    // The station started again on its saved count: the lines come in the
    // order of the file (a line changed after it was added comes last).
    FForm.reset();
    Start();
    exportTo("STATION.CSV");
    CloseWindow();

    TToolOptions french;
    french.Environment = {"LC_ALL=fr_FR.UTF-8"}; // the comma of the station's French system
    const TToolRun tool =
        RunTool(TALLIVO_PACKET_TOOL, {"merge", Path("MERGED.CSV"), Path("COLLECTION.XML")}, french);
    ASSERT_EQ(tool.Code, 0) << tool.Err.toStdString();
    const QByteArray merged = ReadFile("MERGED.CSV");
    EXPECT_EQ(merged, ReadFile("STATION.CSV"));
    EXPECT_TRUE(merged.contains("ABC;Vis \xE0 bois 4x40;QUINCAILLERIE;2,75;0,12\r\n"))
        << merged.toStdString();
    // The same lines as the export made before the restart, in another order.
    QList<QByteArray> lines = merged.split('\n'), before = ReadFile("BEFORE.CSV").split('\n');
    EXPECT_NE(lines, before);
    std::sort(lines.begin(), lines.end());
    std::sort(before.begin(), before.end());
    EXPECT_EQ(lines, before);
}
