#include "app/qt_prompts.h"

#include "app/buddy_dialogs.h"
#include "app/sign_in_dialog.h"

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QVBoxLayout>

namespace textowl {

namespace {

// A modal dialog on the heap. Its owner may be destroyed while it is open (Exit from the tray, the
// end of the session) and takes its children with it; exec() then returns Rejected instead of
// leaving a dialog on the stack destroyed twice.
template <class Dialog> class ModalDialog {
public:
    template <class... Args>
    explicit ModalDialog(Args&&... args) : m_dialog(new Dialog(std::forward<Args>(args)...)) {}
    ~ModalDialog() { delete m_dialog.data(); }
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;
    Dialog* operator->() const { return m_dialog.data(); }
    Dialog& operator*() const { return *m_dialog; }

private:
    QPointer<Dialog> m_dialog;
};

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

// The suffix a filter gives a name typed without one: "vcf" for "*.vcf *.vcard", none for "*".
QString fileSuffix(const QString& patterns) {
    const QString first = patterns.section(QLatin1Char(' '), 0, 0);
    return first.startsWith(QStringLiteral("*.")) ? first.mid(2) : QString();
}

Prompts::Answer ask(QWidget* owner, const QString& text, const QString& caption,
                    QMessageBox::StandardButtons buttons) {
    ModalDialog<QMessageBox> box(QMessageBox::Question, caption, text, buttons, owner);
    switch (box->exec()) {
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
    ModalDialog<QMessageBox> box(boxIcon(icon), caption, text, QMessageBox::Ok, owner);
    box->exec();
}

Prompts::Answer QtPrompts::askYesNoCancel(QWidget* owner, const QString& text,
                                          const QString& caption) {
    return ask(owner, text, caption, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

Prompts::Answer QtPrompts::askYesNo(QWidget* owner, const QString& text, const QString& caption) {
    return ask(owner, text, caption, QMessageBox::Yes | QMessageBox::No);
}

std::optional<Prompts::Credentials> QtPrompts::signIn(QWidget* owner, const SignInTexts& texts) {
    ModalDialog<SignInDialog> dialog(texts, owner);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog->credentials();
}

bool QtPrompts::editContact(QWidget* owner, ContactForm& form) {
    ModalDialog<ContactDialog> dialog(form, *this, owner);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    form = dialog->form();
    return true;
}

bool QtPrompts::editGroup(QWidget* owner, GroupForm& form) {
    ModalDialog<GroupDialog> dialog(form, owner);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    form.name = dialog->name();
    return true;
}

std::optional<QString> QtPrompts::chooseFile(QWidget* owner, FileChoice& choice) {
    // The dialog reads the patterns from the last parentheses and, told to hide them, shows the
    // text before them, so each filter's text is kept whatever its patterns are.
    QStringList filters;
    for (const FileFilter& filter : choice.filters)
        filters.append(QStringLiteral("%1 (%2)").arg(filter.text, filter.patterns));
    ModalDialog<QFileDialog> dialog(owner, choice.caption, choice.folder);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters(filters);
    dialog->setFileMode(choice.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (choice.filter > 0 && choice.filter < filters.size())
        dialog->selectNameFilter(filters[choice.filter]);
    // The suffix follows the filter, so that the dialog asks before overwriting the file that
    // will really be written. The dialog names its filter as shown, without the patterns.
    const auto chosenFilter = [&] {
        const QString shown = dialog->selectedNameFilter();
        for (int i = 0; i < filters.size(); ++i) {
            if (shown == filters[i] || shown == choice.filters[i].text)
                return i;
        }
        return -1;
    };
    const auto followFilter = [&] {
        const int index = chosenFilter();
        dialog->setDefaultSuffix(index >= 0 ? fileSuffix(choice.filters[index].patterns)
                                            : QString());
    };
    followFilter();
    QObject::connect(&*dialog, &QFileDialog::filterSelected, followFilter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    choice.filter = chosenFilter();
    return dialog->selectedFiles().constFirst();
}

bool QtPrompts::confirm(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

void QtPrompts::showPage(QWidget* owner, const QString& caption, const QUrl& address) {
    ModalDialog<QDialog> dialog(owner);
    dialog->setWindowTitle(caption);
    dialog->resize(510, 610);
    auto* layout = new QVBoxLayout(&*dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    if (m_pageViewFactory) {
        layout->addWidget(m_pageViewFactory(&*dialog, address));
    } else {
        auto* link = new QLabel(&*dialog);
        link->setOpenExternalLinks(true);
        link->setAlignment(Qt::AlignCenter);
        link->setText(QStringLiteral("<a href=\"%1\">%1</a>")
                          .arg(address.toString(QUrl::FullyEncoded).toHtmlEscaped()));
        layout->addWidget(link);
    }
    dialog->exec();
}

} // namespace textowl
