#pragma once

#include "texts/string_catalogue.h"
#include "texts/text_table.h"

#include <QString>
#include <string>
#include <string_view>

namespace textowl {

// Inside the program texts are UTF-8; widgets take QString. These are the one crossing.
inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string utf8(const QString& text) {
    return text.toStdString();
}

// A text of the table in the catalogue's current language, ready for a widget.
inline QString localised(const StringCatalogue& catalogue, Text id) {
    return qs(lookUp(catalogue, id));
}

} // namespace textowl
