#pragma once

#include "ui/prompts.h"

#include <QString>
#include <deque>
#include <optional>
#include <vector>

namespace textowl::testing {

// Records every prompt the program raises and answers it from queues filled by the test; an
// empty queue answers as the user who cancels would.
class ScriptedPrompts : public Prompts {
public:
    enum class Kind { Message, YesNoCancel, YesNo, SignIn, Contact, Group, File, Dialog, Page };

    struct Asked {
        Kind kind;
        QString text;    // message text, page address or file dialog folder
        QString caption; // caption or title
        Icon icon = Icon::Information;
    };

    std::deque<Answer> answers;
    std::deque<std::optional<Credentials>> credentials;
    std::deque<std::optional<ContactForm>> contacts;
    std::deque<std::optional<GroupForm>> groups;
    std::deque<std::optional<QString>> files;
    std::deque<int> fileFilters; // the filter chosen with each file; the one shown when empty
    std::deque<bool> dialogs;
    std::vector<Asked> asked;

    void message(QWidget* owner, const QString& text, const QString& caption, Icon icon) override;
    Answer askYesNoCancel(QWidget* owner, const QString& text, const QString& caption) override;
    Answer askYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    std::optional<Credentials> signIn(QWidget* owner, const SignInTexts& texts) override;
    bool editContact(QWidget* owner, ContactForm& form) override;
    bool editGroup(QWidget* owner, GroupForm& form) override;
    std::optional<QString> chooseFile(QWidget* owner, FileChoice& choice) override;
    bool confirm(QDialog& dialog) override;
    void showPage(QWidget* owner, const QString& caption, const QUrl& address) override;

    // The prompts of one kind, in the order they were raised.
    std::vector<Asked> askedOf(Kind kind) const;
};

} // namespace textowl::testing
