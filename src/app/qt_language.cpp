#include "app/qt_language.h"

#include "texts/string_catalogue.h"
#include "texts/text_table.h"
#include "ui/qt_text.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <array>
#include <cstring>

namespace textowl {

namespace {

struct QtText {
    const char* context;
    Text text; // its default is the toolkit's own source text
};

// What the toolkit asks for and its installed catalogues may not have.
constexpr std::array kQtTexts{
    QtText{"QPlatformTheme", Text::QtOk},
    QtText{"QPlatformTheme", Text::QtSave},
    QtText{"QPlatformTheme", Text::QtSaveAll},
    QtText{"QPlatformTheme", Text::QtOpen},
    QtText{"QPlatformTheme", Text::QtYes},
    QtText{"QPlatformTheme", Text::QtYesToAll},
    QtText{"QPlatformTheme", Text::QtNo},
    QtText{"QPlatformTheme", Text::QtNoToAll},
    QtText{"QPlatformTheme", Text::QtAbort},
    QtText{"QPlatformTheme", Text::QtRetry},
    QtText{"QPlatformTheme", Text::QtIgnore},
    QtText{"QPlatformTheme", Text::QtClose},
    QtText{"QPlatformTheme", Text::QtCancel},
    QtText{"QPlatformTheme", Text::QtDiscard},
    QtText{"QPlatformTheme", Text::QtHelp},
    QtText{"QPlatformTheme", Text::QtApply},
    QtText{"QPlatformTheme", Text::QtReset},
    QtText{"QPlatformTheme", Text::QtRestoreDefaults},
    QtText{"QFileDialog", Text::QtLookIn},
    QtText{"QFileSystemModel", Text::QtComputer},
    QtText{"QWidgetTextControl", Text::QtTextUndo},
    QtText{"QWidgetTextControl", Text::QtTextRedo},
    QtText{"QWidgetTextControl", Text::QtTextCut},
    QtText{"QWidgetTextControl", Text::QtTextCopy},
    QtText{"QWidgetTextControl", Text::QtTextPaste},
    QtText{"QWidgetTextControl", Text::QtTextDelete},
    QtText{"QWidgetTextControl", Text::QtTextSelectAll},
};

// Answers from strings.xml only what the selected language there has; for anything else the
// toolkit goes on to its own catalogues, and in the end to its English source text.
class CatalogueTranslator : public QTranslator {
public:
    explicit CatalogueTranslator(const StringCatalogue& catalogue) : m_catalogue(catalogue) {}

    QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (context == nullptr || source == nullptr)
            return {};
        for (const QtText& known : kQtTexts) {
            const TextEntry& entry = textEntry(known.text);
            if (std::strcmp(context, known.context) != 0 || entry.defaultText != source)
                continue;
            // A null answer, not an empty one, lets the toolkit's catalogues and source text
            // speak; an empty one would blank the button.
            std::string out;
            if (failed(m_catalogue.attribute(entry.key, entry.attribute, out, {})) || out.empty())
                return {};
            return qs(out);
        }
        return {};
    }

    bool isEmpty() const override { return false; }

private:
    const StringCatalogue& m_catalogue;
};

} // namespace

QtLanguage::QtLanguage(const StringCatalogue& catalogue) : m_catalogue(catalogue) {}

QtLanguage::~QtLanguage() {
    removeInstalled();
    QLocale::setDefault(QLocale::system());
}

void QtLanguage::removeInstalled() {
    for (const auto& translator : m_installed)
        QCoreApplication::removeTranslator(translator.get());
    m_installed.clear();
}

QLocale QtLanguage::localeFor(const StringCatalogue& catalogue) {
    const QString code = qs(catalogue.attributeOr("", "locale", ""));
    if (!code.isEmpty())
        return QLocale(code);
    const QString display = qs(catalogue.selectedLanguage());
    const auto all =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    for (const QLocale& locale : all) {
        if (!display.isEmpty() &&
            locale.nativeLanguageName().compare(display, Qt::CaseInsensitive) == 0)
            return locale;
    }
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

void QtLanguage::apply() {
    removeInstalled();
    const QLocale locale = localeFor(m_catalogue);
    QLocale::setDefault(locale);
    // Widgets made before this keep the locale they were made with, the calendar pop-ups' month
    // and day names among them, until told that the default changed.
    QEvent localeChange(QEvent::LocaleChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &localeChange);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Older catalogues hold every module in "qt"; newer ones split it, "qtbase" for widgets.
    for (const char* name : {"qt", "qtbase"}) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(locale, QString::fromLatin1(name), QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator.get()))
            m_installed.push_back(std::move(translator));
    }
    // Installed last, so asked first.
    auto own = std::make_unique<CatalogueTranslator>(m_catalogue);
    if (QCoreApplication::installTranslator(own.get()))
        m_installed.push_back(std::move(own));
}

} // namespace textowl
