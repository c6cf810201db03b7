#include "app/preferences.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace textowl {
namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("prefs.ini")); }
    QSettings settings() const { return QSettings(path(), QSettings::IniFormat); }
    QTemporaryDir m_dir;
};

TEST_F(PreferencesTest, FirstRunGivesEmptyChoicesAndCreatesNothing) {
    QSettings s(path(), QSettings::IniFormat);
    const Preferences prefs = Preferences::load(s);
    EXPECT_TRUE(prefs.language.isEmpty());
    EXPECT_TRUE(prefs.skin.isEmpty());
    s.sync();
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(PreferencesTest, SaveWritesBothValuesEvenWhenOneIsEmpty) {
    {
        QSettings s(path(), QSettings::IniFormat);
        Preferences{QStringLiteral("Svenska"), QString()}.save(s);
    }
    QSettings s(path(), QSettings::IniFormat);
    EXPECT_EQ(s.value(QStringLiteral("Preferences/language")).toString(),
              QStringLiteral("Svenska"));
    EXPECT_TRUE(s.contains(QStringLiteral("Preferences/skin")));
    const Preferences back = Preferences::load(s);
    EXPECT_EQ(back.language, QStringLiteral("Svenska"));
    EXPECT_EQ(back.skin, QString());
}

TEST_F(PreferencesTest, ImportRegionIsSavedAloneAndReadWithTheOthers) {
    {
        QSettings s(path(), QSettings::IniFormat);
        Preferences prefs;
        prefs.importRegion = QStringLiteral("SE");
        prefs.saveImportRegion(s);
    }
    QSettings s(path(), QSettings::IniFormat);
    EXPECT_FALSE(s.contains(QStringLiteral("Preferences/language")));
    EXPECT_EQ(Preferences::load(s).importRegion, QStringLiteral("SE"));
}

TEST_F(PreferencesTest, ValueOf255CharactersOrMoreCountsAsMissing) {
    QSettings s(path(), QSettings::IniFormat);
    s.setValue(QStringLiteral("Preferences/language"), QString(254, QLatin1Char('a')));
    s.setValue(QStringLiteral("Preferences/skin"), QString(255, QLatin1Char('b')));
    const Preferences prefs = Preferences::load(s);
    EXPECT_EQ(prefs.language.size(), 254);
    EXPECT_TRUE(prefs.skin.isEmpty());
}

TEST_F(PreferencesTest, LimitCountsCharactersNotBytes) {
    QSettings s(path(), QSettings::IniFormat);
    s.setValue(QStringLiteral("Preferences/language"), QString(200, QChar(0x00E5))); // å
    EXPECT_EQ(Preferences::load(s).language.size(), 200);
}

TEST_F(PreferencesTest, ValueThatIsNotTextCountsAsMissing) {
    QSettings s(path(), QSettings::IniFormat);
    s.setValue(QStringLiteral("Preferences/language"),
               QStringList{QStringLiteral("a"), QStringLiteral("b")});
    s.setValue(QStringLiteral("Preferences/skin"), QStringLiteral("skins/blue.bmp"));
    const Preferences prefs = Preferences::load(s);
    EXPECT_TRUE(prefs.language.isEmpty());
    EXPECT_EQ(prefs.skin, QStringLiteral("skins/blue.bmp"));
}

} // namespace
} // namespace textowl
