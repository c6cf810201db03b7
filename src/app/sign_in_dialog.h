#pragma once

#include "ui/prompts.h"

#include <QDialog>

class QLineEdit;

namespace textowl {

// Asks for the user name and the password; the password box shows "*".
class SignInDialog : public QDialog {
    Q_OBJECT
public:
    SignInDialog(const Prompts::SignInTexts& texts, QWidget* parent = nullptr);

    Prompts::Credentials credentials() const;
    QLineEdit* userEdit() const { return m_user; }
    QLineEdit* passwordEdit() const { return m_password; }

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
};

} // namespace textowl
