#include "app/buddy_dialogs.h"
#include "support/qt/scripted_prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace textowl {
namespace {

using testing::ScriptedPrompts;

Prompts::ContactForm sampleForm() {
    Prompts::ContactForm form;
    form.caption = QStringLiteral("Edit Contact");
    form.cellPhone = QStringLiteral("555");
    form.currentYear = 2026;
    form.birthday = {41, -1, -1}; // stored as 1985-13-40
    form.groups = QStringList{QStringLiteral("<Add New Group>"), QStringLiteral("Family")};
    form.groupIndex = 1;
    form.region = QStringLiteral("SE");
    form.texts = {
        QStringLiteral("&First Name:"), QStringLiteral("&Last Name:"), QStringLiteral("&Nickname:"),
        QStringLiteral("&Cell Phone:"), QStringLiteral("&Email:"),     QStringLiteral("&Birthday:"),
        QStringLiteral("&Group:"),      QStringLiteral("Ok"),          QStringLiteral("Cancel"),
        QStringLiteral("Required!"),    QStringLiteral("Textowl"),     QStringLiteral("Format!"),
        QStringLiteral("Landline!")};
    return form;
}

template <class T> T* field(QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

TEST(BuddyDialogs, ContactDialogWantsANameAndANumberToText) {
    ScriptedPrompts prompts;
    ContactDialog dialog(sampleForm(), prompts);
    dialog.show();
    EXPECT_EQ(field<QComboBox>(dialog, "year")->currentText(), QStringLiteral("1985"));
    EXPECT_EQ(field<QComboBox>(dialog, "month")->currentIndex(), -1);
    EXPECT_EQ(field<QComboBox>(dialog, "year")->itemText(126), QStringLiteral("1900"));
    EXPECT_EQ(field<QComboBox>(dialog, "group")->currentText(), QStringLiteral("Family"));

    dialog.accept(); // only a cell phone
    ASSERT_EQ(prompts.askedOf(ScriptedPrompts::Kind::Message).size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, QStringLiteral("Required!"));
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Error);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(field<QLineEdit>(dialog, "cellPhone")->text(), QStringLiteral("555"));

    field<QLineEdit>(dialog, "nickname")->setText(QStringLiteral(" "));
    field<QComboBox>(dialog, "group")->setEditText(QStringLiteral("Club"));
    field<QComboBox>(dialog, "day")->setCurrentIndex(1);
    // Numbers the send box would refuse, or the operator, are said so; the dialog stays open.
    for (const char* refused : {"555", "08-123 456 78"}) {
        field<QLineEdit>(dialog, "cellPhone")->setText(QString::fromLatin1(refused));
        dialog.accept();
    }
    ASSERT_EQ(prompts.asked.size(), 3u);
    EXPECT_EQ(prompts.asked[1].text, QStringLiteral("Format!"));
    EXPECT_EQ(prompts.asked[2].text, QStringLiteral("Landline!"));
    EXPECT_TRUE(dialog.isVisible());

    field<QLineEdit>(dialog, "cellPhone")->setText(QStringLiteral("+46 70 999 00 00"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(prompts.asked.size(), 3u);
    const Prompts::ContactForm form = dialog.form();
    EXPECT_EQ(form.cellPhone, QStringLiteral("46709990000"));
    EXPECT_EQ(form.nickname, QStringLiteral(" "));
    EXPECT_EQ(form.groupText, QStringLiteral("Club"));
    EXPECT_EQ(form.birthday, (BirthdayRows{41, -1, 1}));
}

TEST(BuddyDialogs, EachLabelLetterFocusesItsField) {
    ScriptedPrompts prompts;
    ContactDialog dialog(sampleForm(), prompts);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const struct {
        Qt::Key key;
        const char* field;
    } cases[] = {{Qt::Key_F, "firstName"}, {Qt::Key_L, "lastName"}, {Qt::Key_N, "nickname"},
                 {Qt::Key_C, "cellPhone"}, {Qt::Key_E, "email"},    {Qt::Key_B, "month"},
                 {Qt::Key_G, "group"}};
    for (const auto& c : cases) {
        QTest::keyClick(&dialog, c.key, Qt::AltModifier);
        ASSERT_NE(QApplication::focusWidget(), nullptr) << c.field;
        const QWidget* focused = QApplication::focusWidget();
        // An editable combo box hands the focus to its line edit.
        if (focused->parentWidget() && qobject_cast<QComboBox*>(focused->parentWidget()))
            focused = focused->parentWidget();
        EXPECT_EQ(focused->objectName(), QString::fromLatin1(c.field));
    }
}

TEST(BuddyDialogs, TheGroupFieldKeepsExactlyWhatWasTyped) {
    ScriptedPrompts prompts;
    Prompts::ContactForm start = sampleForm();
    start.groups = QStringList{QStringLiteral("<Add New Group>"), QStringLiteral("family"),
                               QStringLiteral("Work")};
    for (const QString& typed : {QStringLiteral("Family"), QStringLiteral("Wo")}) {
        ContactDialog dialog(start, prompts);
        dialog.show();
        QComboBox* group = field<QComboBox>(dialog, "group");
        group->setFocus();
        group->lineEdit()->selectAll();
        QTest::keyClicks(group, typed);
        QTest::keyClick(group, Qt::Key_Return);
        EXPECT_EQ(dialog.form().groupText, typed);
    }
}

TEST(BuddyDialogs, GroupDialogTakesAnyNameAndCancelKeepsIt) {
    Prompts::GroupForm form{QStringLiteral("Edit Family Group"), QStringLiteral("Family")};
    GroupDialog dialog(form);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Family Group"));
    EXPECT_EQ(dialog.findChild<QLabel*>()->buddy(), field<QLineEdit>(dialog, "name"));
    field<QLineEdit>(dialog, "name")->clear();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), QString());

    GroupDialog cancelled(form);
    cancelled.show();
    cancelled.reject();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

} // namespace
} // namespace textowl
