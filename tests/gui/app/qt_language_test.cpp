#include "app/qt_language.h"
#include "texts/string_catalogue.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl::testing {
namespace {

// A language whose own catalogue says nothing of the toolkit's texts.
const char* kWithoutQtTexts = R"(<?xml version="1.0" encoding="utf-8"?>
<strings><language display="English" dialogtitle="Textowl Message"/>
<language display="Deutsch" locale="de_DE"/></strings>)";

const char* kSwedishQtTexts = R"(<?xml version="1.0" encoding="utf-8"?>
<strings><language display="Svenska" locale="sv_SE">
<qt><buttons yes="&amp;Ja" no="&amp;Nej" cancel="Avbryt"/></qt></language></strings>)";

// strings.xml in `dir` with `xml` (none for null); its path.
std::string stringsFile(const QTemporaryDir& dir, const char* xml) {
    const QString path = dir.filePath(QStringLiteral("strings.xml"));
    QFile file(path);
    if (xml && file.open(QIODevice::WriteOnly))
        file.write(xml);
    return path.toStdString();
}

struct ButtonsCase {
    const char* name;
    const char* strings; // null: no strings.xml at all
    const char* language;
    std::vector<std::string> expected; // Yes, No, Cancel
};

TEST(QtLanguage, MessageBoxButtonsAlwaysHaveWords) {
    const ButtonsCase cases[] = {
        {"no strings.xml", nullptr, "English", {"&Yes", "&No", "Cancel"}},
        {"English without qt texts", kWithoutQtTexts, "English", {"&Yes", "&No", "Cancel"}},
        // Debian's German catalogue lacks the platform theme's buttons: the source text stays.
        {"another language without qt texts", kWithoutQtTexts, "Deutsch", {}},
        {"Svenska", kSwedishQtTexts, "Svenska", {"&Ja", "&Nej", "Avbryt"}},
    };
    for (const ButtonsCase& c : cases) {
        QTemporaryDir dir;
        StringCatalogue catalogue(stringsFile(dir, c.strings), c.language);
        QtLanguage language(catalogue);
        language.apply();
        QMessageBox box(QMessageBox::Question, QStringLiteral("T"), QStringLiteral("Delete?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        std::vector<std::string> shown;
        for (const auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
            shown.push_back(box.button(button)->text().toStdString());
            EXPECT_FALSE(shown.back().empty()) << c.name;
        }
        if (!c.expected.empty())
            EXPECT_EQ(shown, c.expected) << c.name;
    }
}

TEST(QtLanguage, CalendarsMadeBeforeTheChoiceFollowIt) {
    QDateTimeEdit picker;
    picker.setCalendarPopup(true);
    QTemporaryDir dir;
    StringCatalogue catalogue(stringsFile(dir, kSwedishQtTexts), "Svenska");
    QtLanguage language(catalogue);
    language.apply();
    EXPECT_EQ(picker.calendarWidget()->locale().language(), QLocale::Swedish);
}

} // namespace
} // namespace textowl::testing
