// The merge of several stations' collections, run as its users run it:
// the merged export byte for byte, the conflict report, the packet form, and
// every input or command-line mistake that must leave the output untouched.
#include "tools/packet/Merge.h"
#include "tests/support/ToolRun.h"
#include "tests/table/TableTestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// Runs the packet tool in dir with a French locale unless told otherwise.
TToolRun Tool(const QTemporaryDir& dir, const QStringList& args, const QString& locale = "fr_FR.UTF-8") {
    TToolOptions options;
    options.WorkingDirectory = dir.path();
    options.Environment = {"LC_ALL=" + locale};
    return RunTool(TALLIVO_PACKET_TOOL, args, options);
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct TLine {
    QString Code, Name, Category, Qty, Price, Stock;
};

std::unique_ptr<TClientDataSet> Station(const std::vector<TLine>& lines) {
    auto t = MakeCollection();
    for (const TLine& l : lines) {
        t->Append();
        t->FieldByName("CODE_ART").SetAsString(l.Code);
        if (!l.Name.isEmpty()) t->FieldByName("NOM_ART").SetAsString(l.Name);
        if (!l.Category.isEmpty()) t->FieldByName("CATEGORIE").SetAsString(l.Category);
        if (!l.Qty.isEmpty()) t->FieldByName("QTE").SetAsString(l.Qty);
        if (!l.Price.isEmpty()) t->FieldByName("PRIX_ACHAT").SetAsString(l.Price);
        if (!l.Stock.isEmpty()) t->FieldByName("GERE_STOCK").SetAsString(l.Stock);
        t->Post();
    }
    return t;
}

// A collection saved as a station saves it (with its change log).
void SaveStation(const QString& path, const std::vector<TLine>& lines) {
    Station(lines)->SaveToFile(path, dfXML);
}

// Three stations counting the same shop: overlapping codes (one keyed in
// small letters), a line deleted and a quantity replaced on a station, a
// name and a category that disagree, a line without quantity.
class ThreeStations : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        for (const char* station : {"a", "b", "c"}) ASSERT_TRUE(QDir(FDir.path()).mkpath(station));
        SaveStation(A, {{"ABC", "Vis à bois", "QUINC", "2,5", "0,12", "O"},
                        {"CREME", "Crème brûlée", "EPICERIE", "1", "", "N"}});
        // Station B: BIS is deleted and ABC's quantity replaced, so its file
        // holds superseded and deleted slots.
        auto b = Station({{"abc", "Vis à bois", "QUINC", "7", "", "O"},
                          {"BIS", "Erreur", "", "100", "", ""},
                          {"NEW", "Sans quantité", "", "", "", ""}});
        b->First();
        b->Edit();
        b->FieldByName("QTE").SetAsString("0,1");
        b->Post();
        ASSERT_TRUE(b->Locate("CODE_ART", QString("BIS"), {}));
        b->Delete();
        b->SaveToFile(B, dfXML);
        SaveStation(C, {{"CREME", "Crème brulée", "FRAIS", "0,2", "9", "O"},
                        {"ABC", "Vis à bois", "QUINC", "0,2", "", "O"}});
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
    const QString A = FDir.filePath("a/COLLECTION.XML"), B = FDir.filePath("b/COLLECTION.XML"),
                  C = FDir.filePath("c/COLLECTION.XML");
};

} // namespace

TEST_F(ThreeStations, TheMergeIsOneStationsExport) {
    const TToolRun r = Tool(FDir, {"merge", "TOTAL.CSV", A, B, C});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    // One line per code in order of first appearance; the first file's
    // columns; 2,5 + 0,1 + 0,2; Windows-1252, CR LF, comma, empty price.
    EXPECT_EQ(ReadBytes(Path("TOTAL.CSV")), QByteArray("CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT\r\n"
                                                       "ABC;Vis \xE0 bois;QUINC;2,8;0,12\r\n"
                                                       "CREME;Cr\xE8me br\xFBl\xE9\x65;EPICERIE;1,2;\r\n"
                                                       "NEW;Sans quantit\xE9;;;\r\n"));
    EXPECT_EQ(QString::fromUtf8(r.Err),
              QString("conflict: article \"CREME\", NOM_ART \"Crème brûlée\" (%1) / \"Crème brulée\" (%2): "
                      "the first is kept\n"
                      "conflict: article \"CREME\", CATEGORIE \"EPICERIE\" (%1) / \"FRAIS\" (%2): "
                      "the first is kept\n")
                  .arg(A, C));
    EXPECT_EQ(r.Out, "TOTAL.CSV: 3 articles from 6 lines in 3 files, 2 conflicts\n");

    // Another locale, another decimal separator, as the station's export.
    ASSERT_EQ(Tool(FDir, {"merge", "TOTAL.CSV", A, B, C}, "C").Code, 0);
    EXPECT_TRUE(ReadBytes(Path("TOTAL.CSV")).contains("ABC;Vis \xE0 bois;QUINC;2.8;0.12\r\n"));
}

TEST_F(ThreeStations, TheXmlFormLoadsAsACollection) {
    const TToolRun r = Tool(FDir, {"merge", "--xml", "TOTAL.XML", C, A, B});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    TClientDataSet t;
    t.LoadFromFile(Path("TOTAL.XML"));
    QStringList names;
    t.GetFieldNames(names);
    EXPECT_EQ(names, QStringList({"CODE_ART", "NOM_ART", "CATEGORIE", "QTE", "PRIX_ACHAT", "GERE_STOCK"}));
    // C first: its names, categories, prices and flags are kept.
    EXPECT_EQ(Column(t, "CODE_ART"), QStringList({"CREME", "ABC", "NEW"}));
    EXPECT_EQ(Column(t, "QTE"), QStringList({"1.2", "2.8", "<null>"}));
    EXPECT_EQ(Column(t, "PRIX_ACHAT"), QStringList({"9", "<null>", "<null>"}));
    EXPECT_EQ(Column(t, "CATEGORIE"), QStringList({"FRAIS", "QUINC", "<null>"}));
    EXPECT_EQ(Column(t, "GERE_STOCK"), QStringList({"O", "O", "<null>"}));
    EXPECT_TRUE(t.Store()->ChangeLog().empty());
    // Merging the result again with nothing else gives the same lines.
    ASSERT_EQ(Tool(FDir, {"merge", "AGAIN.CSV", "TOTAL.XML"}).Code, 0);
    ASSERT_EQ(Tool(FDir, {"merge", "TOTAL.CSV", C, A, B}).Code, 0);
    EXPECT_EQ(ReadBytes(Path("AGAIN.CSV")), ReadBytes(Path("TOTAL.CSV")));
}

TEST_F(ThreeStations, AnUnreadableInputWritesNothing) {
    // A previous result stays as it was.
    QFile previous(Path("TOTAL.CSV"));
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("previous result\r\n");
    previous.close();

    // A file cut short by a crash while it was copied.
    QByteArray cut = ReadBytes(B);
    cut.truncate(cut.indexOf("<ROW ") + 20);
    QFile damaged(Path("DAMAGED.XML"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(cut);
    damaged.close();
    TToolRun r = Tool(FDir, {"merge", "TOTAL.CSV", A, "DAMAGED.XML", C});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.startsWith("DAMAGED.XML: Mismatch in datapacket. (reading stopped at byte "))
        << r.Err.constData();
    EXPECT_TRUE(r.Err.endsWith("; nothing written\n")) << r.Err.constData();
    EXPECT_TRUE(r.Out.isEmpty());

    // A missing file, a catalogue instead of a collection, a quantity that
    // is not a number.
    SaveStation(Path("x.xml"), {{"X", "", "", "1", "", ""}});
    QByteArray text = ReadBytes(Path("x.xml"));
    text.replace("attrname=\"QTE\" fieldtype=\"r8\"", "attrname=\"QTE\" fieldtype=\"string\" WIDTH=\"5\"");
    QFile textQty(Path("TEXTQTY.XML"));
    ASSERT_TRUE(textQty.open(QIODevice::WriteOnly));
    textQty.write(text);
    textQty.close();
    auto catalogue = std::make_unique<TClientDataSet>();
    catalogue->FieldDefs().Add("CODE_ART", ftString, 25);
    catalogue->FieldDefs().Add("NOM_ART", ftString, 50);
    catalogue->CreateDataSet();
    catalogue->SaveToFile(Path("ARTICLE.XML"), dfXML);
    const std::vector<std::pair<QString, QString>> cases = {
        {"MISSING.XML", "MISSING.XML: Impossible d'ouvrir le fichier"},
        {"ARTICLE.XML", "ARTICLE.XML: Champ 'QTE' non trouvé; nothing written\n"},
        {"TEXTQTY.XML", "TEXTQTY.XML: QTE is of type string, not a number; nothing written\n"},
    };
    for (const auto& [input, message] : cases) {
        r = Tool(FDir, {"merge", "TOTAL.CSV", A, input});
        EXPECT_EQ(r.Code, 1) << input.toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.Err).startsWith(message)) << r.Err.constData();
    }
    EXPECT_EQ(ReadBytes(Path("TOTAL.CSV")), "previous result\r\n");
    r = Tool(FDir, {"merge", "--xml", "NEW.XML", A, "DAMAGED.XML"});
    EXPECT_EQ(r.Code, 1);
    // Nothing at all was created: no result, no temporary file.
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files),
              QStringList({"ARTICLE.XML", "DAMAGED.XML", "TEXTQTY.XML", "TOTAL.CSV", "x.xml"}));
}

TEST_F(ThreeStations, MistakesThatWouldLoseOrDoubleCountsAreRefused) {
    const QByteArray a = ReadBytes(A);
    // The output forgotten: the first station's file would become the text.
    TToolRun r = Tool(FDir, {"merge", A, B, C});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(r.Err.contains("is a data packet, not replaced by text")) << r.Err.constData();
    // The output named among the inputs, under another spelling.
    r = Tool(FDir, {"merge", "--xml", "a/../a/COLLECTION.XML", A, B});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(r.Err.contains("is also an input")) << r.Err.constData();
    EXPECT_EQ(ReadBytes(A), a);
    // A station given twice would count twice.
    r = Tool(FDir, {"merge", "TOTAL.CSV", A, B, "./a/COLLECTION.XML"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(r.Err.contains("given twice")) << r.Err.constData();
    EXPECT_FALSE(QFile::exists(Path("TOTAL.CSV")));
    // Wrong command lines.
    EXPECT_EQ(Tool(FDir, {"merge"}).Code, 2);
    EXPECT_EQ(Tool(FDir, {"merge", "TOTAL.CSV"}).Code, 2);
    EXPECT_EQ(Tool(FDir, {"merge", "--xml", "TOTAL.XML"}).Code, 2);
    // An output that cannot be written.
    r = Tool(FDir, {"merge", "no/such/dir/TOTAL.CSV", A});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.startsWith("no/such/dir/TOTAL.CSV: ")) << r.Err.constData();
}

// A station's count under any name, an older copy of it, or a merge that
// already holds it: counted twice, so refused before anything is written.
TEST_F(ThreeStations, OneStationsCountIsNeverMergedTwice) {
    const auto counted = [](const std::vector<TLine>& lines, const char* station, const char* epoch) {
        auto t = Station(lines);
        t->SetTableParam("TALLIVO_POSTE", station, "string");
        t->SetTableParam("TALLIVO_EPOQUE", epoch, "i8");
        t->SetTableParam("TALLIVO_SEQUENCE", "2", "i8");
        return t;
    };
    counted({{"ABC", "", "", "5", "", ""}}, "poste-a", "1718000000")->SaveToFile(Path("OLD.XML"), dfXML);
    counted({{"ABC", "", "", "5", "", ""}, {"CREME", "", "", "1", "", ""}}, "poste-a", "1718000000")
        ->SaveToFile(Path("a/COLLECTION.XML"), dfXML);
    counted({{"ABC", "", "", "1", "", ""}}, "poste-a", "1719000000")->SaveToFile(Path("NEXT.XML"), dfXML);

    TToolRun r = Tool(FDir, {"merge", "TOTAL.CSV", A, B, "OLD.XML"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(QString::fromUtf8(r.Err).contains(QString("%1 et OLD.XML contiennent le comptage du ").arg(A)))
        << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("du poste poste-a : il serait compt\xC3\xA9 deux fois")) << r.Err.constData();
    EXPECT_FALSE(QFile::exists(Path("TOTAL.CSV")));

    // The same station's next count (after "Initialiser") is another count;
    // files without identity merge as before.
    r = Tool(FDir, {"merge", "--xml", "TOTAL.XML", A, "NEXT.XML", B});
    ASSERT_EQ(r.Code, 0) << r.Err.constData();
    TClientDataSet total;
    total.LoadFromFile(Path("TOTAL.XML"));
    EXPECT_TRUE(total.TableParam("TALLIVO_POSTE").isEmpty()) << "a merge is no station's count";
    EXPECT_EQ(total.TableParam("TALLIVO_CONTIENT"), "poste-a:1718000000 poste-a:1719000000");
    r = Tool(FDir, {"merge", "AGAIN.CSV", "TOTAL.XML", C, "OLD.XML"});
    EXPECT_EQ(r.Code, 2) << "the merge already holds that count";
    EXPECT_FALSE(QFile::exists(Path("AGAIN.CSV")));
}

// Files from stations of other versions: fields matched by name, the first
// file's layout kept, a field whose type changed refused.
TEST(CollectionMerge, FieldsAreMatchedByName) {
    auto first = MakeCollection();
    AddLine(*first, "A", "1", "Alpha");
    TClientDataSet other;
    other.FieldDefs().Add("qte", ftFloat);
    other.FieldDefs().Add("CODE_ART", ftString, 25);
    other.FieldDefs().Add("REMARQUE", ftString, 10);
    other.CreateDataSet();
    other.Append();
    other.FieldByName("QTE").SetAsFloat(2);
    other.FieldByName("CODE_ART").SetAsString("B");
    other.Post();
    other.Append();
    other.FieldByName("QTE").SetAsFloat(3);
    other.FieldByName("CODE_ART").SetAsString("a");
    other.Post();

    TCollectionMerge merge;
    merge.Add("first", *first->Store());
    merge.Add("other", *other.Store());
    EXPECT_EQ(merge.LinesRead(), 3u);
    EXPECT_EQ(merge.ArticleCount(), 2u);
    // A name missing from a later file is no disagreement.
    EXPECT_TRUE(merge.Conflicts().empty());
    TClientDataSet result;
    result.LoadFromStoreData(merge.TakeResult());
    EXPECT_EQ(result.Fields().Count(), 6);
    EXPECT_EQ(Column(result, "CODE_ART"), QStringList({"A", "B"}));
    EXPECT_EQ(Column(result, "QTE"), QStringList({"4", "2"}));
    EXPECT_EQ(Column(result, "NOM_ART"), QStringList({"Alpha", "<null>"}));

    TClientDataSet changed;
    changed.FieldDefs().Add("CODE_ART", ftString, 25);
    changed.FieldDefs().Add("QTE", ftFloat);
    changed.FieldDefs().Add("PRIX_ACHAT", ftInteger);
    changed.CreateDataSet();
    TCollectionMerge again;
    again.Add("first", *first->Store());
    EXPECT_EQ(ErrorOf([&] { again.Add("changed", *changed.Store()); }),
              "PRIX_ACHAT is of type i4 here, of type r8 in first");
}
