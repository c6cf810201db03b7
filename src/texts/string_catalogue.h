#pragma once

#include "service/status.h"

#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// The texts of strings.xml, one set per language, with built-in English defaults for every
// lookup. One catalogue is shared by every holder (obtain()); it lives while anyone holds it.
class StringCatalogue {
public:
    // Loads the file and selects the language named `languageName`; a missing or broken file is
    // no failure, every lookup then gives its default.
    StringCatalogue(const std::string& path, std::string_view languageName);

    // The shared catalogue on the strings file ("strings.xml" of the current directory unless
    // setDocumentPath named another), created on first use with the current language name.
    static std::shared_ptr<StringCatalogue> obtain();
    // The file the shared catalogue is created from; takes effect when it is next created.
    static void setDocumentPath(std::string path);
    static std::string documentPath();
    // Holders of the shared catalogue (0 when it does not exist).
    static long useCount();

    // The process-wide language name ("English" at start); re-selects in the shared catalogue.
    static void setCurrentLanguageName(std::string name);
    static std::string currentLanguageName();

    // Makes the first language whose display name equals `name` exactly the current one; false
    // (and the previous selection kept) when there is none.
    bool selectLanguage(std::string_view name);

    // Attribute `attribute` of the element at `key` (the language element itself for an empty
    // key). A missing key gives the default; an element without the attribute gives "".
    Status attribute(std::string_view key, std::string_view attribute, std::string& out,
                     std::string_view defaultText) const;
    // The text of the element at `key`; the default when the key or its text is missing.
    Status text(std::string_view key, std::string& out, std::string_view defaultText) const;

    std::string attributeOr(std::string_view key, std::string_view attr,
                            std::string_view defaultText) const;
    std::string textOr(std::string_view key, std::string_view defaultText) const;

    // The display name of the selected language; empty when the file offers none.
    std::string selectedLanguage() const;

    bool hasDocument() const { return m_loaded; }
    const std::vector<std::string>& languages() const { return m_languages; }
    const std::string& applicationName() const { return m_applicationName; }
    const std::string& dialogTitle() const { return m_dialogTitle; }

private:
    pugi::xml_node findElement(std::string_view key) const;

    pugi::xml_document m_document;
    bool m_loaded = false;
    pugi::xml_node m_language;
    std::vector<std::string> m_languages;
    std::string m_applicationName;
    std::string m_dialogTitle;
};

} // namespace textowl
