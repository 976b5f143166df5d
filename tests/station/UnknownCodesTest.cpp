// INCONNUS.CSV: every unknown code survives a restart with its scans and
// counted quantity, and nothing of a file edited by hand is lost.
#include "station/UnknownCodes.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tallivo;

namespace {
QDateTime At(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), "yyyy-MM-dd HH:mm:ss");
}
} // namespace

TEST(UnknownCodes, ScansAndCountsAreKeptInTheFileAcrossARestart) {
    QTemporaryDir dir;
    const QString path = dir.filePath("INCONNUS.CSV");
    {
        TUnknownCodes codes;
        codes.Load(path);
        codes.Scanned("abc-1", At("2024-05-14 09:12:03"));
        codes.Scanned("37;99", At("2024-05-14 09:13:00"));
        codes.Scanned("ABC-1", At("2024-05-14 10:40:57"));
        codes.SetQuantity("Abc-1", 2.5);
        codes.Save();
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "CODE_ART;PREMIER_SCAN;DERNIER_SCAN;NB_SCANS;QTE\r\n"
                              "abc-1;2024-05-14 09:12:03;2024-05-14 10:40:57;2;2,5\r\n"
                              "37;99;2024-05-14 09:13:00;2024-05-14 09:13:00;1;\r\n");
    file.close();

    // Edited by hand: a line that is not ours stays where the file keeps it.
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("note du magasin\r\n");
    file.close();
    TUnknownCodes again;
    again.Load(path);
    ASSERT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Codes()[1].Code, "37;99");
    EXPECT_EQ(again.QuantityOf("ABC-1"), 2.5);
    again.Scanned("37;99", At("2024-05-15 08:00:00"));
    again.Save();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "CODE_ART;PREMIER_SCAN;DERNIER_SCAN;NB_SCANS;QTE\r\n"
                              "abc-1;2024-05-14 09:12:03;2024-05-14 10:40:57;2;2,5\r\n"
                              "37;99;2024-05-14 09:13:00;2024-05-15 08:00:00;2;\r\n"
                              "note du magasin\r\n");
}
