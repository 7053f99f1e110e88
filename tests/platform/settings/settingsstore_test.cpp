#include "forms/runtime.h"
#include "settings/settingsstore.h"
#include "support/testenv.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using korimo::SettingsStore;
using korimo::StepError;

TEST(SettingsStore, MissingKeyGivesTheDefault) {
    korimo::test::ScopedSettingsFile file;
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".bmp");
    EXPECT_TRUE(SettingsStore::getBool("HighQ", true));
    EXPECT_EQ(SettingsStore::getInt("PPosition", 4), 4);
}

TEST(SettingsStore, BooleansAreStoredAsCapitalisedWords) {
    korimo::test::ScopedSettingsFile file;
    SettingsStore::saveBool("AutoSave", true);
    SettingsStore::saveBool("BW", false);
    QSettings raw(file.path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Settings/AutoSave").toString(), "True");
    EXPECT_EQ(raw.value("Settings/BW").toString(), "False");
    EXPECT_TRUE(SettingsStore::getBool("AutoSave", false));
    EXPECT_FALSE(SettingsStore::getBool("BW", true));
}

TEST(SettingsStore, TextsRoundTripUnchanged) {
    korimo::test::ScopedSettingsFile file;
    const QString folder = "/tmp/a folder, with comma/and ü";
    SettingsStore::save("Folder", folder);
    SettingsStore::save("OldDir", "");
    SettingsStore::save("PPosition", "8");
    EXPECT_EQ(SettingsStore::get("Folder", "x"), folder);
    EXPECT_EQ(SettingsStore::get("OldDir", "x"), "");
    EXPECT_EQ(SettingsStore::getInt("PPosition", 4), 8);
}

TEST(SettingsStore, UnconvertibleTextsThrowSoTheStepIsSkipped) {
    korimo::test::ScopedSettingsFile file;
    SettingsStore::save("NoCap", "maybe");
    SettingsStore::save("PPosition", "centre");
    SettingsStore::save("ToolTip", "0");
    EXPECT_THROW(SettingsStore::getBool("NoCap", false), StepError);
    EXPECT_THROW(SettingsStore::getInt("PPosition", 4), StepError);
    EXPECT_FALSE(SettingsStore::getBool("ToolTip", true));
    EXPECT_THROW(SettingsStore::toInt("70000"), StepError);
    EXPECT_EQ(SettingsStore::toInt(" 3 "), 3);
    EXPECT_TRUE(SettingsStore::toBool("true"));
}

TEST(SettingsStore, AnUnreadableFileReadsAsDefaults) {
    korimo::test::ScopedSettingsFile file;
    {
        QFile f(file.path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x00\xff\xfe garbage [[[ = = \n[Settings\nAutoSave", 40);
    }
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".bmp");
    EXPECT_NO_THROW(SettingsStore::get("AutoSave", "False"));
}
