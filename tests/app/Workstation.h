#pragma once
// A workstation started in a temporary data folder, and the operator's
// gestures on it: typing a code, keying a quantity on the keypad, answering
// messages.

#include "app/Master.h"
#include "dialogs/MetroMessage1.h"
#include "dialogs/Numpad.h"
#include "table/FolderLock.h"
#include "tests/support/GuiTestHelpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace tallivo::test {

struct TArticle {
    QString Code;
    QString Name;
    QString Category;
    std::optional<double> SellingPrice;
    QString SupplierRef;
    std::optional<double> PurchasePrice;
    QString Supplier;
    QString Stock;
};

// Writes a catalogue file with the catalogue fields and GERE_STOCK.
void WriteCatalogueFile(const QString& path, const std::vector<TArticle>& articles, int codeWidth = 25);

class WorkstationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString Path(const QString& name) const { return FDir.filePath(name); }
    QByteArray ReadFile(const QString& name) const;
    // Writes ARTICLE.XML with the catalogue fields and GERE_STOCK.
    void WriteCatalogue(const std::vector<TArticle>& articles);
    // A small catalogue: ABC, 3760123450017 (name with "&" and an accent),
    // XY;Z (a ";" in its name), NOPRICE (no purchase price).
    void WriteDefaultCatalogue();

    // Creates and shows the main window as the program does. With no
    // catalogue, the start-up message is answered.
    void Start();
    // Closes the main window as its close button would.
    void CloseWindow();
    TMasterform& Form() { return *FForm; }
    TClientDataSet& Collection() { return *CollectionTable; }

    // Types code into the code field and presses Enter. keypad, when given,
    // runs on the keypad that opens.
    void EnterCode(const QString& code, const std::function<void(TNumPadBox*)>& keypad = {});
    // Types keys ("0"-"9", ",", "-") on the keypad's tiles, then presses Ok.
    static void KeyQuantity(TNumPadBox* pad, const QString& keys, bool ok = true);
    // Expects a message dialog with text, and answers it (Ok/Oui when yes).
    // Call before the action that shows it.
    void ExpectMessage(const QString& text, bool yes = true, std::function<void(TMetroMessage*)> check = {});
    // The quantity of the collection line with code (NaN when none).
    double QuantityOf(const QString& code);
    QStringList Codes();
    // The lines a restart would show from COLLECTION.XML as it is now, as
    // "CODE=quantity" in file order ("unreadable: ..." when it does not load).
    QStringList SavedLines() const;

    QTemporaryDir FDir;
    // The counting folder's lock, taken as the program takes it before its
    // main window.
    std::unique_ptr<TFolderLock> FLock;
    QString FOldDir;
    std::unique_ptr<TMasterform> FForm;
    std::unique_ptr<ModalWatchdog> FWatchdog;
    std::unique_ptr<MessageBoxRecorder> FErrors;
    std::vector<QString> FMessages;
};

} // namespace tallivo::test
