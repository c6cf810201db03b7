#include "app/qt_prompts.h"

#include "app/buddy_dialogs.h"
#include "app/sign_in_dialog.h"

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace textowl {

namespace {

QMessageBox::Icon boxIcon(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

Prompts::Answer ask(QWidget* owner, const QString& text, const QString& caption,
                    QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::Question, caption, text, buttons, owner);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Prompts::Answer::Yes;
    case QMessageBox::No:
        return Prompts::Answer::No;
    default:
        return Prompts::Answer::Cancel;
    }
}

} // namespace

void QtPrompts::message(QWidget* owner, const QString& text, const QString& caption, Icon icon) {
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, owner);
    box.exec();
}

Prompts::Answer QtPrompts::askYesNoCancel(QWidget* owner, const QString& text,
                                          const QString& caption) {
    return ask(owner, text, caption, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

Prompts::Answer QtPrompts::askYesNo(QWidget* owner, const QString& text, const QString& caption) {
    return ask(owner, text, caption, QMessageBox::Yes | QMessageBox::No);
}

std::optional<Prompts::Credentials> QtPrompts::signIn(QWidget* owner, const SignInTexts& texts) {
    SignInDialog dialog(texts, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.credentials();
}

bool QtPrompts::editContact(QWidget* owner, ContactForm& form) {
    ContactDialog dialog(form, *this, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    form = dialog.form();
    return true;
}

bool QtPrompts::editGroup(QWidget* owner, GroupForm& form) {
    GroupDialog dialog(form, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    form.name = dialog.name();
    return true;
}

std::optional<QString> QtPrompts::chooseFile(QWidget* owner, const FileChoice& choice) {
    QFileDialog dialog(owner, choice.caption, choice.folder, choice.filters);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(choice.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtPrompts::showPage(QWidget* owner, const QString& caption, const QUrl& address) {
    QDialog dialog(owner);
    dialog.setWindowTitle(caption);
    dialog.resize(510, 610);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    if (m_pageViewFactory) {
        layout->addWidget(m_pageViewFactory(&dialog, address));
    } else {
        auto* link = new QLabel(&dialog);
        link->setOpenExternalLinks(true);
        link->setAlignment(Qt::AlignCenter);
        link->setText(QStringLiteral("<a href=\"%1\">%1</a>")
                          .arg(address.toString(QUrl::FullyEncoded).toHtmlEscaped()));
        layout->addWidget(link);
    }
    dialog.exec();
}

} // namespace textowl
