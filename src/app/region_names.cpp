#include "app/region_names.h"

#include <string>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace textowl {

QString regionName(std::string_view code, const QLocale& language) {
    const QString qcode = QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size()));
    // ICU carries the names of every region in every language; the number library gets its
    // region names from it too.
    const std::string region(code);
    const icu::Locale inLanguage(language.name().toLatin1().constData());
    icu::UnicodeString name;
    icu::Locale("", region.c_str()).getDisplayCountry(inLanguage, name);
    if (!name.isBogus() && !name.isEmpty() && name != icu::UnicodeString(region.c_str()))
        return QString::fromUtf16(name.getBuffer(), name.length());
    // Qt names a region in its own languages, and in English.
    const QLocale::Territory territory = QLocale::codeToTerritory(qcode);
    if (territory == QLocale::AnyTerritory)
        return qcode;
    const QLocale local(language.language(), territory);
    if (local.language() == language.language() && local.territory() == territory)
        return local.nativeTerritoryName();
    return QLocale::territoryToString(territory);
}

} // namespace textowl
