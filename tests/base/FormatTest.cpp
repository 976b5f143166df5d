#include "base/Exception.h"

#include <gtest/gtest.h>

using namespace tallivo;

TEST(Format, FillsPlaceholdersInOrder) {
    EXPECT_EQ(Format("Champ '%s' non trouvé", QString("XYZ")), QString("Champ 'XYZ' non trouvé"));
    EXPECT_EQ(Format("'%s' n'est pas une valeur entière en virgule flottante correcte pour le champ '%s'",
                     QString("abc"), QString("QTE")),
              QString("'abc' n'est pas une valeur entière en virgule flottante correcte pour le champ 'QTE'"));
    EXPECT_EQ(Format("Erreur E/S %d", 28), QString("Erreur E/S 28"));
    EXPECT_EQ(Format("ID de mouvement non valide (%d)", -3), QString("ID de mouvement non valide (-3)"));
}

TEST(Format, LeavesUnmatchedPlaceholdersAndPercentSigns) {
    EXPECT_EQ(Format("100%% de %s", QString("rien")), QString("100% de rien"));
    EXPECT_EQ(Format("%s et %s", QString("un")), QString("un et %s"));
    EXPECT_EQ(Format("fin %"), QString("fin %"));
    // An argument holding a placeholder is not expanded again.
    EXPECT_EQ(Format("%s/%s", QString("%s"), QString("b")), QString("%s/b"));
}

TEST(Exception, CarriesMessageAndCodes) {
    try {
        throw EInOutError(Format("Erreur E/S %d", 5), 5);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString("Erreur E/S 5"));
        EXPECT_STREQ(e.what(), "Erreur E/S 5");
        ASSERT_NE(dynamic_cast<const EInOutError*>(&e), nullptr);
        EXPECT_EQ(dynamic_cast<const EInOutError&>(e).ErrorCode(), 5);
    }
    EDBClient store("Mismatch in datapacket.", 0x2EA4);
    EXPECT_EQ(store.ErrorCode(), 0x2EA4);
    EXPECT_EQ(QString::fromUtf8(EDatabaseError("Accès").what()), QString("Accès"));
}
