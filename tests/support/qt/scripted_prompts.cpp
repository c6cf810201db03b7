#include "support/qt/scripted_prompts.h"

#include <QDialog>

namespace textowl::testing {

namespace {

template <typename T> T takeOr(std::deque<T>& queue, T fallback) {
    if (queue.empty())
        return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

} // namespace

void ScriptedPrompts::message(QWidget*, const QString& text, const QString& caption, Icon icon) {
    asked.push_back({Kind::Message, text, caption, icon});
}

Prompts::Answer ScriptedPrompts::askYesNoCancel(QWidget*, const QString& text,
                                                const QString& caption) {
    asked.push_back({Kind::YesNoCancel, text, caption, Icon::Question});
    return takeOr(answers, Answer::Cancel);
}

Prompts::Answer ScriptedPrompts::askYesNo(QWidget*, const QString& text, const QString& caption) {
    asked.push_back({Kind::YesNo, text, caption, Icon::Question});
    return takeOr(answers, Answer::No);
}

std::optional<Prompts::Credentials> ScriptedPrompts::signIn(QWidget*, const SignInTexts& texts) {
    asked.push_back({Kind::SignIn, texts.userLabel, texts.caption});
    return takeOr(credentials, std::optional<Credentials>());
}

bool ScriptedPrompts::editContact(QWidget*, ContactForm& form) {
    asked.push_back({Kind::Contact, form.cellPhone, form.caption});
    auto answer = takeOr(contacts, std::optional<ContactForm>());
    if (!answer)
        return false;
    form = *answer;
    return true;
}

bool ScriptedPrompts::editGroup(QWidget*, GroupForm& form) {
    asked.push_back({Kind::Group, form.name, form.caption});
    auto answer = takeOr(groups, std::optional<GroupForm>());
    if (!answer)
        return false;
    form = *answer;
    return true;
}

std::optional<QString> ScriptedPrompts::chooseFile(QWidget*, FileChoice& choice) {
    asked.push_back({Kind::File, choice.folder, choice.caption});
    choice.filter = takeOr(fileFilters, choice.filter);
    return takeOr(files, std::optional<QString>());
}

bool ScriptedPrompts::confirm(QDialog& dialog) {
    asked.push_back({Kind::Dialog, QString(), dialog.windowTitle()});
    return takeOr(dialogs, false);
}

void ScriptedPrompts::showPage(QWidget*, const QString& caption, const QUrl& address) {
    asked.push_back({Kind::Page, address.toString(), caption});
}

std::vector<ScriptedPrompts::Asked> ScriptedPrompts::askedOf(Kind kind) const {
    std::vector<Asked> out;
    for (const Asked& a : asked) {
        if (a.kind == kind)
            out.push_back(a);
    }
    return out;
}

} // namespace textowl::testing
