#include "app/sign_in_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace textowl {

SignInDialog::SignInDialog(const Prompts::SignInTexts& texts, QWidget* parent)
    : QDialog(parent), m_user(new QLineEdit(this)), m_password(new QLineEdit(this)) {
    setWindowTitle(texts.caption);
    m_password->setEchoMode(QLineEdit::Password);
    // The style's own mask character differs between desktops; the password always shows "*".
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_user->setObjectName(QStringLiteral("user"));
    m_password->setObjectName(QStringLiteral("password"));

    auto* form = new QFormLayout(this);
    auto* userLabel = new QLabel(texts.userLabel, this);
    auto* passwordLabel = new QLabel(texts.passwordLabel, this);
    userLabel->setBuddy(m_user);
    passwordLabel->setBuddy(m_password);
    form->addRow(userLabel, m_user);
    form->addRow(passwordLabel, m_password);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(texts.ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(texts.cancel, QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

Prompts::Credentials SignInDialog::credentials() const {
    return {m_user->text(), m_password->text()};
}

} // namespace textowl
