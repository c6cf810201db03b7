#include "app/contact_import_dialog.h"
#include "texts/string_catalogue.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace textowl {
namespace {

Contact contact(std::string nickname, std::string cell, std::vector<std::string> groups = {}) {
    Contact c;
    c.nickname = std::move(nickname);
    c.cellPhone = std::move(cell);
    c.groups = std::move(groups);
    return c;
}

QStringList column(const QTableWidget& rows, int column) {
    QStringList texts;
    for (int row = 0; row < rows.rowCount(); ++row)
        texts << rows.item(row, column)->text();
    return texts;
}

TEST(ContactImportDialog, ShowsWhatHappensAndPlansAgainForAnotherRegion) {
    BuddyEntry ann;
    ann.kind = EntryKind::Buddy;
    ann.id = "1";
    ann.nickname = "Ann";
    ann.cellPhone = "491701234567";
    BuddyEntry root = BuddyEntry::makeRoot();
    root.children.push_back(ann);
    BuddyList list;
    list.fill(std::move(root));
    const ContactBook book{
        {contact("Ann", "0170 1234567"), contact("Bob", "0171 1234567", {"Family"}),
         contact("Cy", "+46 70 123 45 67"), contact("Di", "n/a"), contact("Eva", "030 1234567")},
        {"Family"}};

    const StringCatalogue catalogue("no-such-strings.xml", "English");
    ContactImportDialog dialog(list, book, QString(), catalogue);
    auto* rows = dialog.findChild<QTableWidget*>(QStringLiteral("rows"));
    auto* region = dialog.findChild<QComboBox*>(QStringLiteral("region"));
    auto* hint = dialog.findChild<QLabel*>(QStringLiteral("regionHint"));
    ASSERT_TRUE(rows && region && hint);
    // Without a region nothing can be imported yet, choosing one comes first, and it says so.
    EXPECT_EQ(dialog.focusWidget(), region);
    EXPECT_FALSE(hint->isHidden());
    EXPECT_EQ(hint->text(), QStringLiteral("Choose the country your numbers belong to"));
    QPushButton* import = nullptr;
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        import = button->text() == QStringLiteral("&Import") ? button : import;
    ASSERT_NE(import, nullptr);
    EXPECT_FALSE(import->isEnabled());
    EXPECT_EQ(
        column(*rows, 3),
        (QStringList{QStringLiteral("Skip: no valid number (no country code)"),
                     QStringLiteral("Skip: no valid number (no country code)"),
                     QStringLiteral("Add"), QStringLiteral("Skip: no valid number (not a number)"),
                     QStringLiteral("Skip: no valid number (no country code)")}));
    EXPECT_EQ(dialog.steps().size(), 1u);

    region->setCurrentIndex(region->findData(QStringLiteral("DE")));
    EXPECT_EQ(column(*rows, 1),
              (QStringList{QStringLiteral("491701234567"), QStringLiteral("491711234567"),
                           QStringLiteral("46701234567"), QStringLiteral("n/a"),
                           QStringLiteral("030 1234567")}));
    EXPECT_EQ(
        column(*rows, 3),
        (QStringList{QStringLiteral("Skip: Ann already has this number"), QStringLiteral("Add"),
                     QStringLiteral("Add"), QStringLiteral("Skip: no valid number (not a number)"),
                     QStringLiteral("Skip: a landline cannot receive texts")}));
    EXPECT_EQ(column(*rows, 2)[1], QStringLiteral("Family"));
    EXPECT_EQ(dialog.steps().size(), 3u); // Family, Bob, Cy
    EXPECT_TRUE(import->isEnabled());
    EXPECT_TRUE(hint->isHidden());

    rows->item(1, 0)->setCheckState(Qt::Unchecked);
    const std::vector<ImportStep> steps = dialog.steps();
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].row, 2u);
    EXPECT_EQ(dialog.ticked(), (std::vector<bool>{true, false, true, true, true}));

    if (const QString dir = qEnvironmentVariable("TEXTOWL_SCREENSHOT_DIR"); !dir.isEmpty()) {
        dialog.show();
        dialog.grab().save(QDir(dir).filePath(QStringLiteral("contact_import_dialog.png")));
    }
}

TEST(ContactImportDialog, ListsTheRegionsInTheLanguagesAlphabet) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    const StringCatalogue catalogue("no-such-strings.xml", "English");
    const BuddyList list;
    ContactImportDialog dialog(list, ContactBook{{contact("Ann", "n/a")}, {}}, QStringLiteral("SE"),
                               catalogue);
    QLocale::setDefault(before);
    const auto* region = dialog.findChild<QComboBox*>(QStringLiteral("region"));
    EXPECT_EQ(region->currentData().toString(), QStringLiteral("SE"));
    EXPECT_EQ(region->itemData(0).toString(), QString());
    EXPECT_LT(region->findData(QStringLiteral("ST")), region->findData(QStringLiteral("SY")))
        << region->itemText(region->findData(QStringLiteral("ST"))).toStdString();
}

} // namespace
} // namespace textowl
