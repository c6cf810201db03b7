#include "app/qt_prompts.h"

#include "app/sign_in_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
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

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
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
    QDialog dialog(owner);
    dialog.setWindowTitle(form.caption);
    auto* layout = new QFormLayout(&dialog);
    auto* first = new QLineEdit(form.firstName, &dialog);
    auto* last = new QLineEdit(form.lastName, &dialog);
    auto* nick = new QLineEdit(form.nickname, &dialog);
    auto* cell = new QLineEdit(form.cellPhone, &dialog);
    auto* email = new QLineEdit(form.email, &dialog);
    auto* hasBirthday = new QCheckBox(&dialog);
    auto* birthday = new QDateEdit(form.birthday.value_or(QDate::currentDate()), &dialog);
    hasBirthday->setChecked(form.birthday.has_value());
    auto* group = new QComboBox(&dialog);
    group->addItems(form.groups);
    group->setCurrentIndex(form.groupIndex);
    layout->addRow(QStringLiteral("First name"), first);
    layout->addRow(QStringLiteral("Last name"), last);
    layout->addRow(QStringLiteral("Nickname"), nick);
    layout->addRow(QStringLiteral("Cell phone"), cell);
    layout->addRow(QStringLiteral("E-mail"), email);
    layout->addRow(hasBirthday, birthday);
    layout->addRow(QStringLiteral("Group"), group);
    layout->addRow(okCancel(&dialog));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    form.firstName = first->text();
    form.lastName = last->text();
    form.nickname = nick->text();
    form.cellPhone = cell->text();
    form.email = email->text();
    form.birthday =
        hasBirthday->isChecked() ? std::optional<QDate>(birthday->date()) : std::nullopt;
    form.groupIndex = group->currentIndex();
    return true;
}

bool QtPrompts::editGroup(QWidget* owner, GroupForm& form) {
    QDialog dialog(owner);
    dialog.setWindowTitle(form.caption);
    auto* layout = new QFormLayout(&dialog);
    auto* name = new QLineEdit(form.name, &dialog);
    layout->addRow(QStringLiteral("Name"), name);
    layout->addRow(okCancel(&dialog));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    form.name = name->text();
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
