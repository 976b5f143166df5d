// TALLIVO.INI: a damaged file never stops the counting, and the settings
// screen's writes keep what the shop wrote in the file.
#include "station/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tallivo;

TEST(Settings, WhatIsNotUnderstoodFallsBackToItsDefaultWithANote) {
    const TSettingsRead read = ParseSettings("Sons=oui\n"
                                             "; the shop's comment\n"
                                             "[comptage]\n"
                                             "moderapide = OUI\n"
                                             "QuantiteMax=99 9x9\n"
                                             "InconnusComptes=peut-être\n"
                                             "PrefixeZone= Z-\n"
                                             "Son=oui\n"
                                             "ExportNonComptes\n"
                                             "[Autre]\n"
                                             "Whatever=1\n");
    TStationSettings expected;
    expected.ModeRapide = true;
    expected.PrefixeZone = "Z-";
    EXPECT_EQ(read.Settings, expected);
    const QStringList notes = {
        "TALLIVO.INI, ligne 1 : « Sons=oui » est avant la section [Comptage], ignoré.",
        "TALLIVO.INI, ligne 5 : QuantiteMax=99 9x9 n'est pas compris (un nombre entier de 1 à 999 999 999) ; "
        "99999 est gardé.",
        "TALLIVO.INI, ligne 6 : InconnusComptes=peut-être n'est pas compris (oui ou non) ; non est gardé.",
        "TALLIVO.INI, ligne 8 : clé « Son » inconnue.",
        "TALLIVO.INI, ligne 9 : « ExportNonComptes » n'est pas de la forme Clé=valeur.",
    };
    EXPECT_EQ(read.Notes, notes);
    EXPECT_EQ(ParseSettings("[Comptage]\r\nQuantiteMax=12 500\r\n").Settings.QuantiteMax, 12500);
}

TEST(Settings, WritingChangesOnlyTheKeysAndKeepsTheRestOfTheFile) {
    const QByteArray shop = "; Réglé par le service informatique\r\n"
                            "[Comptage]\r\n"
                            "; les scans un par un\r\n"
                            "MODERAPIDE=non\r\n"
                            "Cle=garde\r\n"
                            "\r\n"
                            "[Autre]\r\n"
                            "ModeRapide=ne pas toucher\r\n";
    TStationSettings s;
    s.ModeRapide = true;
    s.QuantiteMax = 500;
    s.PrefixeZone = "ZONE-";
    const QByteArray written = UpdateSettingsText(shop, s);
    EXPECT_EQ(written, "; Réglé par le service informatique\r\n"
                       "[Comptage]\r\n"
                       "; les scans un par un\r\n"
                       "ModeRapide=oui\r\n"
                       "Cle=garde\r\n"
                       "QuantiteMax=500\r\n"
                       "InconnusComptes=non\r\n"
                       "PrefixeZone=ZONE-\r\n"
                       "Sons=non\r\n"
                       "ExportNonComptes=non\r\n"
                       "\r\n"
                       "[Autre]\r\n"
                       "ModeRapide=ne pas toucher\r\n");
    EXPECT_EQ(ParseSettings(written).Settings, s);

    // A new file explains its keys and reads back without a note.
    const QByteArray fresh = UpdateSettingsText({}, s);
    EXPECT_TRUE(fresh.contains("; Un scan = une pièce")) << fresh.toStdString();
    EXPECT_EQ(ParseSettings(fresh).Settings, s);
    EXPECT_TRUE(ParseSettings(fresh).Notes.isEmpty());
}

TEST(Settings, AnUnreadableFileGivesTheDefaultsAndSaysSo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("TALLIVO.INI");
    EXPECT_EQ(ReadSettingsFile(path).Notes, QStringList()) << "no file is no fault";
    ASSERT_TRUE(QDir(dir.path()).mkdir("TALLIVO.INI"));
    const TSettingsRead read = ReadSettingsFile(path);
    EXPECT_EQ(read.Settings, TStationSettings());
    ASSERT_EQ(read.Notes.size(), 1);
    EXPECT_TRUE(read.Notes[0].startsWith("TALLIVO.INI illisible (")) << read.Notes[0].toStdString();
    EXPECT_ANY_THROW(WriteSettingsFile(path, TStationSettings()));
}
