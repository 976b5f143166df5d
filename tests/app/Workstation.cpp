#include "Workstation.h"

#include "base/Exception.h"
#include "dialogs/DeliberateAnswer.h"

#include <QFile>
#include <cmath>

namespace tallivo::test {

void WorkstationTest::SetUp() {
    ASSERT_TRUE(FDir.isValid());
    FOldDir = QDir::currentPath();
    QDir::setCurrent(FDir.path());
    FLock = std::make_unique<TFolderLock>(FDir.path());
    // The operator of these tests never answers in haste: every look at the
    // clock finds the dead time of a question over.
    SetInputClock([t = int64_t(0)]() mutable { return t += kDeadTimeMs; });
    FWatchdog = std::make_unique<ModalWatchdog>(30000);
    FErrors = std::make_unique<MessageBoxRecorder>();
}

void WorkstationTest::TearDown() {
    FForm.reset();
    RunDeferredDeletes();
    FErrors.reset();
    FWatchdog.reset();
    FLock.reset();
    SetInputClock(nullptr);
    QDir::setCurrent(FOldDir);
}

QByteArray WorkstationTest::ReadFile(const QString& name) const {
    QFile f(Path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WorkstationTest::WriteCatalogue(const std::vector<TArticle>& articles) {
    WriteCatalogueFile(Path("ARTICLE.XML"), articles);
}

void WriteCatalogueFile(const QString& path, const std::vector<TArticle>& articles, int codeWidth) {
    TClientDataSet table;
    table.FieldDefs().Add("CODE_ART", ftString, codeWidth);
    table.FieldDefs().Add("NOM_ART", ftString, 50);
    table.FieldDefs().Add("CATEGORIE", ftString, 25);
    table.FieldDefs().Add("PX_VTE_TC", ftFloat);
    table.FieldDefs().Add("REF_ART_F", ftString, 25);
    table.FieldDefs().Add("PRIX_ACHAT", ftFloat);
    table.FieldDefs().Add("NOM_FOU", ftString, 50);
    table.FieldDefs().Add("GERE_STOCK", ftString, 3); // wider than the collection's: its blanks are trimmed
    table.CreateDataSet();
    for (const TArticle& a : articles) {
        table.Append();
        table.FieldByName("CODE_ART").SetAsString(a.Code);
        table.FieldByName("NOM_ART").SetAsString(a.Name);
        table.FieldByName("CATEGORIE").SetAsString(a.Category);
        if (a.SellingPrice) table.FieldByName("PX_VTE_TC").SetAsFloat(*a.SellingPrice);
        table.FieldByName("REF_ART_F").SetAsString(a.SupplierRef);
        if (a.PurchasePrice) table.FieldByName("PRIX_ACHAT").SetAsFloat(*a.PurchasePrice);
        table.FieldByName("NOM_FOU").SetAsString(a.Supplier);
        table.FieldByName("GERE_STOCK").SetAsString(a.Stock);
        table.Post();
    }
    table.SaveToFile(path, dfXML);
}

void WorkstationTest::WriteDefaultCatalogue() {
    WriteCatalogue({
        {"ABC", "Vis à bois 4x40", "QUINCAILLERIE", 0.35, "VB440", 0.12, "Fixations du Nord", "O"},
        {"3760123450017", "Peinture \"Blanc d'été\" & co", "PEINTURE", 24.9, "PB25", 12.5, "Couleurs SA", " N "},
        {"XY;Z", "Colle; forte", "COLLES", 5, "CF1", 2.25, "Adhésifs", "O"},
        {"NOPRICE", "Article sans prix", "DIVERS", {}, "", {}, "", "N"},
    });
}

void WorkstationTest::Start() {
    FForm = std::make_unique<TMasterform>(nullptr);
    FForm->SetWindowState(wsNormal);
    FForm->SetClientSize(1208, 746);
    ShowAndActivate(FForm.get());
    Settle();
}

void WorkstationTest::CloseWindow() {
    FForm->close();
    Settle();
}

void WorkstationTest::EnterCode(const QString& code, const std::function<void(TNumPadBox*)>& keypad) {
    if (keypad) {
        WhenModal([keypad](TForm* dialog) {
            auto* pad = dynamic_cast<TNumPadBox*>(dialog);
            if (!pad) {
                ADD_FAILURE() << "expected the keypad, got '" << dialog->Caption().toStdString() << "'";
                dialog->SetModalResult(mrCancel);
                return;
            }
            Settle();
            keypad(pad);
        });
    }
    FForm->Edit1->SetFocus();
    Settle();
    TypeText(code);
    PressKey(Qt::Key_Return, {}, "\r");
    Settle();
}

void WorkstationTest::KeyQuantity(TNumPadBox* pad, const QString& keys, bool ok) {
    TAdvMetroTile* digits[] = {pad->AdvMetroTile33, pad->AdvMetroTile24, pad->AdvMetroTile25, pad->AdvMetroTile26,
                               pad->AdvMetroTile27, pad->AdvMetroTile28, pad->AdvMetroTile29, pad->AdvMetroTile30,
                               pad->AdvMetroTile31, pad->AdvMetroTile32};
    for (QChar c : keys) {
        TAdvMetroTile* tile = c == u',' ? pad->AdvMetroTile34 : c == u'-' ? pad->AdvMetroTile2 : digits[c.digitValue()];
        Click(tile);
        Settle();
    }
    Click(ok ? pad->AdvMetroTile19 : pad->AdvMetroTile18);
    Settle();
}

void WorkstationTest::ExpectMessage(const QString& text, bool yes, std::function<void(TMetroMessage*)> check) {
    WhenModal([this, text, yes, check](TForm* dialog) {
        auto* message = dynamic_cast<TMetroMessage*>(dialog);
        if (!message) {
            ADD_FAILURE() << "expected a message, got '" << dialog->Caption().toStdString() << "'";
            dialog->SetModalResult(mrCancel);
            return;
        }
        FMessages.push_back(message->Label1->Caption());
        EXPECT_EQ(message->Label1->Caption(), text);
        if (check) check(message);
        const bool ask = message->yesbutton->Visible();
        Click(ask ? (yes ? message->yesbutton : message->nobutton) : message->okbutton);
    });
}

double WorkstationTest::QuantityOf(const QString& code) {
    TClientDataSet& c = Collection();
    if (!c.Locate("CODE_ART", TKeyValue(code), 0)) return std::nan("");
    return c.FieldByName("QTE").AsFloat();
}

QStringList WorkstationTest::SavedLines() const {
    TClientDataSet saved;
    try {
        saved.LoadFromFile(Path("COLLECTION.XML"));
    } catch (const Exception& e) {
        return {"unreadable: " + e.Message()};
    }
    QStringList lines;
    for (saved.First(); !saved.Eof(); saved.Next())
        lines << saved.FieldByName("CODE_ART").AsString() + u'=' + saved.FieldByName("QTE").AsString();
    return lines;
}

QStringList WorkstationTest::Codes() {
    QStringList codes;
    TClientDataSet& c = Collection();
    for (c.First(); !c.Eof(); c.Next()) codes << c.FieldByName("CODE_ART").AsString();
    return codes;
}

} // namespace tallivo::test
