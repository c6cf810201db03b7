#pragma once

#include "base/birthday_rows.h"
#include "ui/qt_text.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QDialog;
class QWidget;

namespace textowl {

// Every modal interaction of the program goes through this interface, owned by the main window;
// tests install a scripted one so that nothing ever blocks on a dialog.
class Prompts {
public:
    enum class Icon { Information, Warning, Error, Question };
    enum class Answer { Yes, No, Cancel };

    struct SignInTexts {
        QString caption;
        QString userLabel;
        QString passwordLabel;
        QString ok;
        QString cancel;
    };
    struct Credentials {
        QString user;
        QString password;
    };

    // The contact dialog's texts, already localised.
    struct ContactTexts {
        QString firstName, lastName, nickname, cellPhone, email, birthday, group; // labels
        QString ok, cancel;
        QString required, messageCaption; // shown over the dialog when OK lacks data
        QString badNumber, landline;      // shown when the cell phone is no number to text
    };
    struct ContactForm {
        QString caption;
        QString firstName;
        QString lastName;
        QString nickname;
        QString cellPhone;
        QString email;
        BirthdayRows birthday;
        int currentYear = kFirstBirthdayYear; // the year list runs from here down to 1900
        QStringList groups;                   // choices for the group box
        int groupIndex = 0;
        QString groupText; // on OK: what the group box reads, chosen or typed
        // What a number without a country code is read against (ISO 3166, "" for none); on OK
        // the cell phone is in the service's form.
        QString region;
        ContactTexts texts;
    };
    struct GroupForm {
        QString caption;
        QString name;
        QString label = qs(defaultText(Text::GroupNameLabel));
        QString ok = qs(defaultText(Text::Ok));
        QString cancel = qs(defaultText(Text::Cancel));
    };

    struct FileFilter {
        QString text;     // as the list shows it: "All Files (*.*)"
        QString patterns; // what it matches: "*", since "*.*" would want a dot in the name
    };
    struct FileChoice {
        QString caption;
        QString folder;
        QList<FileFilter> filters;
        bool save = false; // a file to write, which need not exist yet
        // The filter shown first; on return, the one the user chose. A name typed without a
        // suffix gets the suffix of that filter's first pattern.
        int filter = 0;
    };

    virtual ~Prompts() = default;

    virtual void message(QWidget* owner, const QString& text, const QString& caption,
                         Icon icon) = 0;
    virtual Answer askYesNoCancel(QWidget* owner, const QString& text, const QString& caption) = 0;
    virtual Answer askYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Nothing when the user cancels.
    virtual std::optional<Credentials> signIn(QWidget* owner, const SignInTexts& texts) = 0;
    // Fills the form and returns true when the user accepts it.
    virtual bool editContact(QWidget* owner, ContactForm& form) = 0;
    virtual bool editGroup(QWidget* owner, GroupForm& form) = 0;
    // The chosen file, or nothing on Cancel.
    virtual std::optional<QString> chooseFile(QWidget* owner, FileChoice& choice) = 0;
    // Shows a dialog the caller built, modally; true when the user accepts it.
    virtual bool confirm(QDialog& dialog) = 0;
    // Shows a web page modally; returns when the user closes it.
    virtual void showPage(QWidget* owner, const QString& caption, const QUrl& address) = 0;
};

} // namespace textowl
