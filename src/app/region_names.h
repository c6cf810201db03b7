#pragma once

#include <QLocale>
#include <QString>
#include <string_view>

namespace textowl {

// A region's (ISO 3166 code such as "SE") name in the language of `language`: "Sverige" and
// "Tyskland" for Swedish. Where that language has no name for it, the English name; for a code
// nobody names, the code itself. The names are what a user types to find a region in a list.
QString regionName(std::string_view code, const QLocale& language = QLocale());

} // namespace textowl
