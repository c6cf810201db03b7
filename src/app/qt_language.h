#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>
#include <vector>

namespace textowl {

class StringCatalogue;

// The toolkit in the chosen language: its own texts (dialog buttons, the file dialog, the text
// fields' context menus) from its translation catalogues, the few those lack from strings.xml,
// and the default locale, which numbers and date pickers made from then on follow.
class QtLanguage {
public:
    explicit QtLanguage(const StringCatalogue& catalogue);
    ~QtLanguage();
    QtLanguage(const QtLanguage&) = delete;
    QtLanguage& operator=(const QtLanguage&) = delete;

    // Follows the catalogue's selected language; at start and after every change.
    void apply();

    // The locale of the catalogue's selected language: its "locale" attribute, else the locale
    // whose own name for its language is the display name ("Svenska"), else American English.
    static QLocale localeFor(const StringCatalogue& catalogue);

private:
    void removeInstalled();

    const StringCatalogue& m_catalogue;
    std::vector<std::unique_ptr<QTranslator>> m_installed;
};

} // namespace textowl
