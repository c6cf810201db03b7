#pragma once

#include "ui/prompts.h"

#include <functional>

namespace textowl {

// The prompts the user sees: message boxes, the file dialog and the program's own dialogs.
class QtPrompts : public Prompts {
public:
    // Creates the view a page dialog shows; without one the dialog shows the address as a link.
    using PageViewFactory = std::function<QWidget*(QWidget* parent, const QUrl& address)>;

    void setPageViewFactory(PageViewFactory factory) { m_pageViewFactory = std::move(factory); }

    void message(QWidget* owner, const QString& text, const QString& caption, Icon icon) override;
    Answer askYesNoCancel(QWidget* owner, const QString& text, const QString& caption) override;
    Answer askYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    std::optional<Credentials> signIn(QWidget* owner, const SignInTexts& texts) override;
    bool editContact(QWidget* owner, ContactForm& form) override;
    bool editGroup(QWidget* owner, GroupForm& form) override;
    std::optional<QString> chooseFile(QWidget* owner, FileChoice& choice) override;
    bool confirm(QDialog& dialog) override;
    void showPage(QWidget* owner, const QString& caption, const QUrl& address) override;

private:
    PageViewFactory m_pageViewFactory;
};

} // namespace textowl
