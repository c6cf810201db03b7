#include "app/buddy_dialogs.h"

#include "buddylist/contact_rules.h"
#include "contacts/phone_number.h"
#include "ui/qt_text.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace textowl {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog, const QString& ok, const QString& cancel) {
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// A label whose "&" letter moves the focus to its field.
QLabel* labelFor(const QString& text, QWidget* field) {
    auto* label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    return label;
}

} // namespace

ContactDialog::ContactDialog(const Prompts::ContactForm& form, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_form(form), m_prompts(prompts) {
    setWindowTitle(form.caption);
    const Prompts::ContactTexts& texts = form.texts;
    auto* layout = new QFormLayout(this);
    m_firstName = addEdit(texts.firstName, form.firstName, "firstName");
    m_lastName = addEdit(texts.lastName, form.lastName, "lastName");
    m_nickname = addEdit(texts.nickname, form.nickname, "nickname");
    m_cellPhone = addEdit(texts.cellPhone, form.cellPhone, "cellPhone");
    m_email = addEdit(texts.email, form.email, "email");

    m_month = addNumberList(1, 12, form.birthday.month, "month");
    m_day = addNumberList(1, 31, form.birthday.day, "day");
    m_year = addNumberList(form.currentYear, kFirstBirthdayYear, form.birthday.year, "year");
    auto* birthday = new QHBoxLayout;
    birthday->addWidget(m_month);
    birthday->addWidget(m_day);
    birthday->addWidget(m_year);
    layout->addRow(labelFor(texts.birthday, m_month), birthday);

    m_group = new QComboBox(this);
    m_group->setObjectName(QStringLiteral("group"));
    m_group->setEditable(true);
    m_group->setInsertPolicy(QComboBox::NoInsert);
    // Group names differ by letter case alone, and the name taken is the one typed: the default
    // completer would quietly turn "Family" into "family", or "Wo" into "Work".
    m_group->setCompleter(nullptr);
    m_group->addItems(form.groups);
    m_group->setCurrentIndex(form.groupIndex);
    layout->addRow(labelFor(texts.group, m_group), m_group);
    layout->addRow(okCancel(this, texts.ok, texts.cancel));
}

QLineEdit* ContactDialog::addEdit(const QString& label, const QString& text, const char* name) {
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(QString::fromLatin1(name));
    static_cast<QFormLayout*>(layout())->addRow(labelFor(label, edit), edit);
    return edit;
}

QComboBox* ContactDialog::addNumberList(int first, int last, int selectedRow, const char* name) {
    auto* list = new QComboBox(this);
    list->setObjectName(QString::fromLatin1(name));
    const int step = first <= last ? 1 : -1;
    for (int value = first; value != last + step; value += step)
        list->addItem(QString::number(value));
    list->setCurrentIndex(selectedRow < list->count() ? selectedRow : -1);
    return list;
}

Prompts::ContactForm ContactDialog::form() const {
    Prompts::ContactForm form = m_form;
    form.firstName = m_firstName->text();
    form.lastName = m_lastName->text();
    form.nickname = m_nickname->text();
    form.cellPhone = m_cellPhone->text();
    form.email = m_email->text();
    form.birthday = {m_year->currentIndex(), m_month->currentIndex(), m_day->currentIndex()};
    form.groupIndex = m_group->currentIndex();
    form.groupText = m_group->currentText();
    return form;
}

void ContactDialog::accept() {
    const Prompts::ContactForm entered = form();
    if (!contactIsComplete(entered.nickname.toStdString(), entered.firstName.toStdString(),
                           entered.lastName.toStdString(), entered.cellPhone.toStdString())) {
        refuse(m_form.texts.required);
        return;
    }
    // Stored as typed, a number the send box refuses would fail every message to the buddy.
    const ServiceNumber number = serviceNumber(utf8(entered.cellPhone), utf8(m_form.region));
    if (!number.ok()) {
        refuse(number.problem == NumberProblem::Landline ? m_form.texts.landline
                                                         : m_form.texts.badNumber);
        m_cellPhone->setFocus();
        return;
    }
    m_cellPhone->setText(qs(number.digits));
    QDialog::accept();
}

void ContactDialog::refuse(const QString& why) {
    m_prompts.message(this, why, m_form.texts.messageCaption, Prompts::Icon::Error);
}

GroupDialog::GroupDialog(const Prompts::GroupForm& form, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(form.name, this)) {
    setWindowTitle(form.caption);
    m_name->setObjectName(QStringLiteral("name"));
    auto* layout = new QFormLayout(this);
    layout->addRow(labelFor(form.label, m_name), m_name);
    layout->addRow(okCancel(this, form.ok, form.cancel));
}

QString GroupDialog::name() const {
    return m_name->text();
}

} // namespace textowl
