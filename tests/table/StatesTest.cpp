// Table states, lifecycle, the closed-table snapshot, file load and save
// through the codec, and the errors of each state.
#include "TableTestUtil.h"
#include "tools/catgen/Catalogue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tallivo;
using namespace tallivo::test;

namespace {
const QString kClosed =
    QString::fromUtf8("Impossible d'effectuer cette opération sur un ensemble de données fermé");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

// A large table builds its default order and ranks on two threads: records
// no longer visible (superseded, deleted, freed) are left out wherever they
// lie, the others keep slot order and their positions.
TEST(States, ALargeStoreOpensWithItsVisibleRecordsInSlotOrder) {
    TStoreData data = catgen::MakeCatalogue(150000);
    const uint8_t hidden[] = {usSuperseded, usDeleted, usFree, usDeleted | usModified};
    for (uint32_t s = 1, k = 0; s <= data.SlotCount(); s += 1 + s % 7, ++k) data.RowStates[s - 1] = hidden[k % 4];
    data.RowStates.back() = usDeleted;
    std::vector<uint32_t> visible;
    for (uint32_t s = 1; s <= data.SlotCount(); ++s)
        if (IsVisibleRowState(data.RowStates[s - 1])) visible.push_back(s);
    const IDSBase store(std::move(data));
    ASSERT_EQ(store.DefaultOrder(), visible);
    for (uint32_t s = 1, at = 0; s <= store.SlotCount(); ++s) {
        const bool shown = at < visible.size() && visible[at] == s;
        ASSERT_EQ(store.PositionOf(s), shown ? int64_t(at) : -1) << "slot " << s;
        at += shown;
    }
}

TEST(States, Transitions) {
    auto t = MakeCollection();
    EXPECT_EQ(t->State(), dsBrowse);
    t->Append();
    EXPECT_EQ(t->State(), dsInsert);
    t->Cancel();
    EXPECT_EQ(t->State(), dsBrowse);
    AddLine(*t, "A");
    t->Edit();
    EXPECT_EQ(t->State(), dsEdit);
    t->Post();
    t->SetKey();
    EXPECT_EQ(t->State(), dsSetKey);
    t->Cancel();
    EXPECT_EQ(t->State(), dsBrowse);
    t->Edit();
    t->Close(); // a pending edit is discarded
    EXPECT_EQ(t->State(), dsInactive);
    EXPECT_FALSE(t->Active());
    t->SetActive(true);
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(t->Store()->SlotCount(), 1u);
}

TEST(States, ClosedTableRefusesCursorOperations) {
    auto t = MakeCollection();
    t->Close();
    EXPECT_EQ(ErrorOf([&] { t->RecordCount(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->First(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->Next(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->MoveBy(3); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->Append(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->Edit(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->Delete(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->EmptyDataSet(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->Locate("CODE_ART", QString("A"), 0); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->SetKey(); }), kClosed);
    EXPECT_EQ(ErrorOf([&] { t->GotoNearest(); }), kClosed);
    // On a closed table the sort setting is only remembered.
    t->SetIndexFieldNames("NOM_ART");
    EXPECT_EQ(t->IndexFieldNames(), "NOM_ART");
}

TEST(States, CreateDataSetErrors) {
    TClientDataSet t;
    EXPECT_EQ(ErrorOf([&] { t.CreateDataSet(); }),
              QString::fromUtf8("Aucun champ défini. Création impossible de l'ensemble de données"));
    EXPECT_EQ(ErrorOf([&] { t.Open(); }),
              QString::fromUtf8("Fournisseur de données ou paquet de données manquant"));
    EXPECT_FALSE(t.Active());
    t.FieldDefs().Add("A", ftString, 3);
    t.CreateDataSet();
    EXPECT_EQ(ErrorOf([&] { t.CreateDataSet(); }),
              QString::fromUtf8("Impossible d'effectuer cette opération sur un ensemble de données ouvert"));
    EXPECT_TRUE(t.Active());
}

TEST(States, CloseAndReopenKeepsRecordsRowStatesLogAndSortSetting) {
    auto t = MakeCollection();
    AddLine(*t, "B", "1");
    AddLine(*t, "A", "2");
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(7);
    t->Post();
    AddLine(*t, "C", "3");
    t->Delete();
    t->SetIndexFieldNames("CODE_ART");
    const auto states = RowStates(*t);
    const auto log = Log(*t);
    t->Close();
    ASSERT_NE(t->Snapshot(), nullptr);
    EXPECT_EQ(t->Snapshot()->RowStates, states);
    EXPECT_EQ(t->Snapshot()->ChangeLog, log);
    t->Open();
    EXPECT_EQ(t->Snapshot(), nullptr);
    EXPECT_EQ(RowStates(*t), states);
    EXPECT_EQ(Log(*t), log);
    EXPECT_EQ(Column(*t, "CODE_ART"), (QStringList{"A", "B"}));
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "A"); // first record
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->FieldDefs().Count(), 6);
    EXPECT_EQ(t->FieldDefs()[0].Name, "CODE_ART");
}

TEST(States, OpeningFailsCleanlyWhenTheSortFieldIsGone) {
    auto t = MakeCollection();
    AddLine(*t, "A");
    TStoreData other;
    TStoreFieldDesc d;
    d.Name = "X";
    d.DataType = ftString;
    d.Size = 4;
    other.AddField(d);
    t->SetIndexFieldNames("CODE_ART");
    EXPECT_EQ(ErrorOf([&] { t->LoadFromStoreData(std::move(other)); }), "Champ 'CODE_ART' non trouvé");
    EXPECT_FALSE(t->Active());
    ASSERT_NE(t->Snapshot(), nullptr); // the content is kept for a later open
    t->SetIndexFieldNames("");
    t->Open();
    EXPECT_EQ(t->Fields()[0]->FieldName(), "X");
}

TEST(States, LoadAndSaveGoThroughTheCodecAndRoundTrip) {
    QTemporaryDir dir;
    TDumpCodec codec;
    auto t = MakeCollection();
    t->SetPacketCodec(&codec);
    AddLine(*t, "A1", "2", QString::fromUtf8("Crème"));
    AddLine(*t, "B", "1");
    t->First();
    t->Edit();
    t->FieldByName("QTE").SetAsFloat(3);
    t->Post();
    t->Last();
    t->Delete();
    const QString path = dir.filePath("COLLECTION.XML");
    t->Append();
    t->FieldByName("CODE_ART").SetAsString("C");
    t->SaveToFile(path, dfXML); // posts the pending insert first
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(codec.Formats.back(), dfXML);
    const auto states = RowStates(*t);
    const auto log = Log(*t);

    TClientDataSet u;
    u.SetPacketCodec(&codec);
    u.LoadFromFile(path);
    EXPECT_TRUE(u.Active());
    EXPECT_EQ(RowStates(u), states);
    EXPECT_EQ(Log(u), log);
    EXPECT_EQ(Column(u, "CODE_ART"), (QStringList{"A1", "C"}));
    EXPECT_EQ(u.FieldByName("NOM_ART").AsString(), QString::fromUtf8("Crème"));
    EXPECT_EQ(u.FieldByName("QTE").AsFloat(), 3);

    // dfBinary with an .xml extension in any case writes the XML form.
    t->SaveToFile(dir.filePath("x.XmL"));
    EXPECT_EQ(codec.Formats.back(), dfXML);
    t->SaveToFile(dir.filePath("x.bin"));
    EXPECT_EQ(codec.Formats.back(), dfBinary);
}

TEST(States, EmptyFileKeepsThePreviousContent) {
    QTemporaryDir dir;
    TDumpCodec codec;
    auto t = MakeCollection();
    t->SetPacketCodec(&codec);
    AddLine(*t, "KEEP");
    const QString empty = dir.filePath("empty.xml");
    WriteAll(empty, QByteArray());
    t->LoadFromFile(empty);
    EXPECT_TRUE(t->Active());
    EXPECT_EQ(Column(*t, "CODE_ART"), QStringList{"KEEP"});
}

TEST(States, FailedLoadLeavesTheTableClosedAndSaveWritesNothing) {
    QTemporaryDir dir;
    TDumpCodec codec;
    auto t = MakeCollection();
    t->SetPacketCodec(&codec);
    AddLine(*t, "A");
    const QString bad = dir.filePath("bad.xml");
    WriteAll(bad, "not a packet");
    EXPECT_EQ(ErrorOf([&] { t->LoadFromFile(bad); }), "Mismatch in datapacket.");
    EXPECT_FALSE(t->Active());
    EXPECT_EQ(t->Store(), nullptr);
    // The failed load replaced what the table held: nothing is left to open.
    EXPECT_EQ(ErrorOf([&] { t->Open(); }), QString::fromUtf8("Fournisseur de données ou paquet de données manquant"));
    const QString target = dir.filePath("COLLECTION.XML");
    t->SaveToFile(target, dfXML);
    EXPECT_FALSE(QFile::exists(target));
    WriteAll(target, "old");
    t->SaveToFile(target, dfXML);
    EXPECT_EQ(ReadAll(target), "old");
    // Once open again, a save replaces the file as a whole and leaves nothing beside it.
    t->SetActive(false);
    auto u = MakeCollection();
    u->SetPacketCodec(&codec);
    AddLine(*u, "NEW");
    u->SaveToFile(target, dfXML);
    EXPECT_EQ(ReadAll(target), codec.Write(*u->Store(), dfXML));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
              (QStringList{"bad.xml", "COLLECTION.XML"}));
    // A missing file is an open error and the table stays closed.
    const QString missing = dir.filePath("missing.xml");
    const QString msg = ErrorOf([&] { t->LoadFromFile(missing); });
    EXPECT_TRUE(msg.startsWith(QString("Impossible d'ouvrir le fichier \"%1\".").arg(missing)))
        << msg.toStdString();
}

TEST(States, SaveFailureChangesNothing) {
    QTemporaryDir dir;
    TDumpCodec codec;
    auto t = MakeCollection();
    t->SetPacketCodec(&codec);
    AddLine(*t, "A");
    const QString path = dir.filePath("no/such/dir/COLLECTION.XML");
    EXPECT_TRUE(ErrorOf([&] { t->SaveToFile(path, dfXML); }).startsWith("Impossible de créer le fichier"));
    EXPECT_TRUE(t->Active());
    EXPECT_EQ(t->RecordCount(), 1);
}

TEST(States, PacketParametersRefuseChanges) {
    auto make = [](const char* name, const char* type) {
        TStoreData d;
        TStoreFieldDesc f;
        f.Name = "CODE";
        f.DataType = ftString;
        f.Size = 5;
        d.AddField(f);
        d.AppendSlot();
        d.Columns[0].AppendBytes("A");
        d.Params.push_back({QString(name), QString("TRUE"), QString(type), false});
        return d;
    };
    TClientDataSet t;
    t.LoadFromStoreData(make("DISABLE_EDITS", "boolean"));
    EXPECT_EQ(ErrorOf([&] { t.Edit(); }), QString::fromUtf8("Modifications non autorisées"));
    t.Append();
    t.Cancel();
    t.LoadFromStoreData(make("DISABLE_INSERTS", "boolean"));
    EXPECT_EQ(ErrorOf([&] { t.Append(); }), QString::fromUtf8("Insertions non autorisées"));
    t.LoadFromStoreData(make("DISABLE_DELETES", "boolean"));
    EXPECT_EQ(ErrorOf([&] { t.Delete(); }), QString::fromUtf8("Suppressions non autorisées"));
    EXPECT_EQ(t.RecordCount(), 1);
    t.LoadFromStoreData(make("DISABLE_DELETES", "string")); // another type is ignored
    t.Delete();
    EXPECT_EQ(t.RecordCount(), 0);
    t.LoadFromStoreData(make("READONLY", "boolean"));
    EXPECT_EQ(ErrorOf([&] { t.Append(); }),
              QString::fromUtf8("Impossible de modifier un ensemble de données en lecture seule"));
    EXPECT_EQ(ErrorOf([&] { t.Edit(); }),
              QString::fromUtf8("Impossible de modifier un ensemble de données en lecture seule"));
    EXPECT_EQ(ErrorOf([&] { t.Delete(); }), "Data is read only.");
    EXPECT_EQ(t.State(), dsBrowse);
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(States, MalformedContentIsRefused) {
    TStoreData d;
    TStoreFieldDesc f;
    f.Name = "CODE";
    d.AddField(f);
    d.AppendSlot(); // a slot without its value
    TClientDataSet t;
    EXPECT_EQ(ErrorOf([&] { t.LoadFromStoreData(std::move(d)); }), "Mismatch in datapacket.");
    EXPECT_FALSE(t.Active());
}

TEST(States, NavigationFlags) {
    auto t = MakeCollection();
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->MoveBy(1), 0);
    AddLine(*t, "A");
    AddLine(*t, "B");
    AddLine(*t, "C");
    t->First();
    EXPECT_TRUE(t->Bof());
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(t->MoveBy(5), 2);
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "C");
    EXPECT_EQ(t->MoveBy(1), 0);
    EXPECT_EQ(t->MoveBy(-1), -1);
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(t->MoveBy(-7), -1);
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->RecNo(), 1);
    int n = 0;
    for (t->First(); !t->Eof(); t->Next()) ++n;
    EXPECT_EQ(n, 3);
    t->Last();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecNo(), 3);
}
