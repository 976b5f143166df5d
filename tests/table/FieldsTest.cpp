// Field objects: defaults, conversions, assignment rules.
#include "TableTestUtil.h"

using namespace tallivo;
using namespace tallivo::test;

TEST(Fields, DefaultsFromTheDefinitions) {
    auto t = MakeCollection();
    ASSERT_EQ(t->Fields().Count(), 6);
    TField& code = t->FieldByName("CODE_ART");
    TField& qte = t->FieldByName("QTE");
    EXPECT_EQ(code.DataType(), ftString);
    EXPECT_EQ(code.Size(), 25);
    EXPECT_EQ(code.Alignment(), taLeftJustify);
    EXPECT_EQ(code.DisplayWidth(), 25);
    EXPECT_EQ(code.FieldNo(), 1);
    EXPECT_EQ(code.DisplayLabel(), "CODE_ART");
    EXPECT_EQ(qte.DataType(), ftFloat);
    EXPECT_EQ(qte.Size(), 0);
    EXPECT_EQ(qte.Alignment(), taRightJustify);
    EXPECT_EQ(qte.DisplayWidth(), 10);
    EXPECT_EQ(static_cast<TFloatField&>(qte).Precision(), 15);
    EXPECT_EQ(qte.FieldNo(), 4);
    EXPECT_EQ(t->Fields()[5]->FieldName(), "GERE_STOCK");
    QStringList names{"stale"};
    t->GetFieldNames(names);
    EXPECT_EQ(names, (QStringList{"CODE_ART", "NOM_ART", "CATEGORIE", "QTE", "PRIX_ACHAT", "GERE_STOCK"}));
}

TEST(Fields, DefinitionSizes) {
    TClientDataSet t;
    t.FieldDefs().Add("S", ftString, 0);
    t.FieldDefs().Add("F", ftFloat, 8);
    EXPECT_EQ(t.FieldDefs()[0].Size, 20);
    EXPECT_EQ(t.FieldDefs()[1].Size, 0);
    EXPECT_EQ(ErrorOf([&] { t.FieldDefs().Add("N", ftString, -1); }), "Taille de champ incorrecte");
    EXPECT_EQ(t.FieldDefs().Count(), 2);
}

TEST(Fields, FieldByNameIgnoresCaseAndNamesTheMissingField) {
    auto t = MakeCollection();
    EXPECT_EQ(&t->FieldByName("qte"), t->Fields()[3]);
    EXPECT_EQ(t->FindField("XYZ"), nullptr);
    EXPECT_EQ(ErrorOf([&] { t->FieldByName("XYZ"); }), "Champ 'XYZ' non trouvé");
    t->Close(); // field objects exist only while open
    EXPECT_EQ(ErrorOf([&] { t->FieldByName("QTE"); }), "Champ 'QTE' non trouvé");
}

TEST(Fields, StringConversions) {
    auto t = MakeCollection();
    t->Append();
    TField& flag = t->FieldByName("GERE_STOCK");
    flag.SetAsString("OUI");
    EXPECT_EQ(flag.AsString(), "O");
    flag.SetAsString("");
    EXPECT_EQ(flag.AsString(), "");
    EXPECT_FALSE(flag.IsNull());
    TField& code = t->FieldByName("CODE_ART");
    EXPECT_TRUE(code.IsNull());
    EXPECT_EQ(code.AsString(), "");
    code.SetAsString("  A1  ");
    EXPECT_EQ(code.AsString(), "  A1"); // leading spaces stay, trailing go
    code.SetAsString("1234567890123456789012345XYZ");
    EXPECT_EQ(code.AsString(), "1234567890123456789012345");
    code.SetAsString("12345678901234567890123 Z"); // cut to 25, then trailing spaces off
    EXPECT_EQ(code.AsString(), "12345678901234567890123 Z");
    code.SetAsString("123456789012345678901234  Z");
    EXPECT_EQ(code.AsString(), "123456789012345678901234");
    code.SetAsString(QString("AB") + QChar(0) + "CD");
    EXPECT_EQ(code.AsString(), "AB");
    t->FieldByName("NOM_ART").SetAsString(QString::fromUtf8("Crème d'été & \"bœuf\" Ā"));
    EXPECT_EQ(t->FieldByName("NOM_ART").AsString(), QString::fromUtf8("Crème d'été & \"bœuf\" ?"));
    t->FieldByName("NOM_ART").SetAsFloat(2.5);
    EXPECT_EQ(t->FieldByName("NOM_ART").AsString(), "2,5");
    EXPECT_EQ(t->FieldByName("NOM_ART").AsFloat(), 2.5);
    code.SetAsString("abc");
    EXPECT_THROW(code.AsFloat(), EConvertError);
}

TEST(Fields, FloatConversionsWithTheCommaLocale) {
    auto t = MakeCollection();
    t->Append();
    TField& q = t->FieldByName("QTE");
    EXPECT_EQ(q.AsString(), "");
    EXPECT_EQ(q.AsFloat(), 0);
    q.SetAsString("2,5");
    EXPECT_EQ(q.AsFloat(), 2.5);
    EXPECT_EQ(q.AsString(), "2,5");
    EXPECT_EQ(ErrorOf([&] { q.SetAsString("2.5"); }),
              "'2.5' n'est pas une valeur entière en virgule flottante correcte pour le champ 'QTE'");
    EXPECT_EQ(q.AsFloat(), 2.5); // the buffer keeps its value
    q.SetDisplayLabel("Quantité");
    EXPECT_EQ(ErrorOf([&] { q.SetAsString("x"); }),
              QString::fromUtf8(
                  "'x' n'est pas une valeur entière en virgule flottante correcte pour le champ 'Quantité'"));
    q.SetAsFloat(0.1 + 0.2);
    EXPECT_EQ(q.AsString(), "0,3");
    q.SetAsString("");
    EXPECT_TRUE(q.IsNull());
    q.SetAsFloat(-3);
    EXPECT_EQ(q.AsString(), "-3");
    q.SetAsString(" 1,5E3 ");
    EXPECT_EQ(q.AsFloat(), 1500);
    q.Clear();
    EXPECT_TRUE(q.IsNull());
}

TEST(Fields, FloatThroughTextKeeps15DigitsAndNull) {
    auto t = MakeCollection();
    t->Append();
    TField& price = t->FieldByName("PRIX_ACHAT");
    TField& q = t->FieldByName("QTE");
    price.SetAsFloat(1.0 / 3);
    q.SetAsString(price.AsString());
    EXPECT_EQ(q.AsString(), "0,333333333333333");
    EXPECT_NE(q.AsFloat(), price.AsFloat());
    price.SetAsString("");
    q.SetAsString(price.AsString());
    EXPECT_TRUE(q.IsNull());
}

TEST(Fields, AssignmentRules) {
    auto t = MakeCollection();
    AddLine(*t, "A", "1");
    EXPECT_EQ(ErrorOf([&] { t->FieldByName("QTE").SetAsFloat(3); }),
              "L'ensemble de données n'est pas en mode Edition ou Insertion");
    EXPECT_EQ(ErrorOf([&] { t->FieldByName("CODE_ART").SetAsString("B"); }),
              "L'ensemble de données n'est pas en mode Edition ou Insertion");
    EXPECT_EQ(t->FieldByName("CODE_ART").AsString(), "A");
    t->FieldByName("CODE_ART").SetReadOnly(true);
    t->Edit();
    EXPECT_EQ(ErrorOf([&] { t->FieldByName("CODE_ART").SetAsString("B"); }),
              "Impossible de modifier le champ 'CODE_ART'");
    EXPECT_FALSE(t->Modified());
    t->Cancel();
}

TEST(Fields, RequiredFieldsOnPost) {
    TClientDataSet t;
    t.FieldDefs().Add("CODE", ftString, 10, true);
    t.FieldDefs().Add("Q", ftFloat);
    t.CreateDataSet();
    t.FieldByName("CODE").SetDisplayLabel("Code article");
    t.Append();
    t.FieldByName("Q").SetAsFloat(1);
    EXPECT_EQ(ErrorOf([&] { t.Post(); }), "Le champ 'Code article' doit avoir une valeur");
    EXPECT_EQ(t.State(), dsInsert); // the buffer is intact
    EXPECT_EQ(t.FieldByName("Q").AsFloat(), 1);
    t.FieldByName("CODE").SetAsString("");
    EXPECT_EQ(ErrorOf([&] { t.Post(); }), "Field value required.");
    EXPECT_EQ(t.State(), dsInsert);
    t.FieldByName("CODE").SetAsString("X");
    t.Post();
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(Fields, RawFieldsKeepTheirText) {
    TClientDataSet t;
    t.FieldDefs().Add("B", ftBoolean);
    t.FieldDefs().Add("S", ftString, 5);
    t.CreateDataSet();
    TField& b = t.FieldByName("B");
    EXPECT_EQ(static_cast<TRawField&>(b).TypeName(), "boolean");
    EXPECT_EQ(b.Alignment(), taLeftJustify);
    t.Append();
    b.SetAsString("TRUE");
    t.Post();
    EXPECT_EQ(b.AsString(), "TRUE");
    EXPECT_EQ(ErrorOf([&] { t.Locate("B", QString("TRUE"), 0); }), "Le champ 'B' est d'un type non supporté");
}
