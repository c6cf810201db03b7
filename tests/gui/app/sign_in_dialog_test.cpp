#include "app/sign_in_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace textowl {
namespace {

const Prompts::SignInTexts kTexts{QStringLiteral("Textowl Sign In"), QStringLiteral("&Username:"),
                                  QStringLiteral("&Password:"), QStringLiteral("Ok"),
                                  QStringLiteral("Cancel")};

TEST(SignInDialog, ShowsItsTextsAndHidesThePassword) {
    SignInDialog dialog(kTexts);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Textowl Sign In"));
    EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("&Username:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("&Password:")));
}

TEST(SignInDialog, PasswordShowsAsStars) {
    SignInDialog dialog(kTexts);
    dialog.show();
    QTest::keyClicks(dialog.passwordEdit(), QStringLiteral("abc"));
    EXPECT_EQ(dialog.passwordEdit()->displayText(), QStringLiteral("***"));
}

TEST(SignInDialog, ReturnAcceptsWithBothBoxesWhole) {
    SignInDialog dialog(kTexts);
    dialog.show();
    QTest::keyClicks(dialog.userEdit(), QStringLiteral("  anna  "));
    QTest::keyClicks(dialog.passwordEdit(), QStringLiteral("s3cret&"));
    QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.credentials().user, QStringLiteral("  anna  "));
    EXPECT_EQ(dialog.credentials().password, QStringLiteral("s3cret&"));
}

TEST(SignInDialog, CancelButtonRejects) {
    SignInDialog dialog(kTexts);
    dialog.show();
    QPushButton* cancel = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("Cancel"))
            cancel = b;
    }
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
} // namespace textowl
