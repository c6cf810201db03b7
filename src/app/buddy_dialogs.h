#pragma once

#include "ui/prompts.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace textowl {

// Adds or edits a contact. OK without a name to list the buddy under or without a cell phone,
// or with a cell phone that is no number to text, says so through the prompts and keeps the
// dialog open with everything as entered; a number it takes is put in the service's form.
class ContactDialog : public QDialog {
    Q_OBJECT
public:
    ContactDialog(const Prompts::ContactForm& form, Prompts& prompts, QWidget* parent = nullptr);

    // The form as the user left it.
    Prompts::ContactForm form() const;
    void accept() override;

private:
    QLineEdit* addEdit(const QString& label, const QString& text, const char* name);
    QComboBox* addNumberList(int first, int last, int selectedRow, const char* name);
    void refuse(const QString& why);

    Prompts::ContactForm m_form;
    Prompts& m_prompts;
    QLineEdit* m_firstName = nullptr;
    QLineEdit* m_lastName = nullptr;
    QLineEdit* m_nickname = nullptr;
    QLineEdit* m_cellPhone = nullptr;
    QLineEdit* m_email = nullptr;
    QComboBox* m_month = nullptr;
    QComboBox* m_day = nullptr;
    QComboBox* m_year = nullptr;
    QComboBox* m_group = nullptr;
};

// Names a new group or renames one; any name, even an empty one, is taken as typed.
class GroupDialog : public QDialog {
    Q_OBJECT
public:
    explicit GroupDialog(const Prompts::GroupForm& form, QWidget* parent = nullptr);
    QString name() const;

private:
    QLineEdit* m_name;
};

} // namespace textowl
