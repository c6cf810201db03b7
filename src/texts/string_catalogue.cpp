#include "texts/string_catalogue.h"

#include "base/ascii.h"
#include "base/single_byte_text.h"
#include "texts/text_table.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>

namespace textowl {

namespace {

struct SharedState {
    std::mutex mutex;
    std::string languageName = "English";
    std::string documentPath = "strings.xml";
    std::weak_ptr<StringCatalogue> catalogue;
};

SharedState& shared() {
    static SharedState state;
    return state;
}

std::vector<std::string_view> splitKey(std::string_view key) {
    std::vector<std::string_view> parts;
    while (!key.empty()) {
        const auto slash = key.find('/');
        const std::string_view part = key.substr(0, slash);
        if (!part.empty())
            parts.push_back(part);
        if (slash == std::string_view::npos)
            break;
        key.remove_prefix(slash + 1);
    }
    return parts;
}

// Depth-first in child order, so the first match is the first in document order even when an
// earlier element of the same name lacks the rest of the path.
pugi::xml_node findPath(pugi::xml_node from, const std::vector<std::string_view>& parts,
                        std::size_t depth) {
    if (depth == parts.size())
        return from;
    for (pugi::xml_node child : from.children()) {
        if (child.type() != pugi::node_element || parts[depth] != child.name())
            continue;
        if (pugi::xml_node found = findPath(child, parts, depth + 1))
            return found;
    }
    return {};
}

// The encoding named by the XML declaration, or "" without one.
std::string_view declaredEncoding(std::string_view data) {
    if (data.substr(0, 5) != "<?xml")
        return {};
    const std::string_view declaration = data.substr(0, data.find("?>"));
    const auto key = declaration.find("encoding");
    if (key == std::string_view::npos)
        return {};
    const auto quote = declaration.find_first_of("\"'", key);
    if (quote == std::string_view::npos)
        return {};
    const auto end = declaration.find(declaration[quote], quote + 1);
    if (end == std::string_view::npos)
        return {};
    return declaration.substr(quote + 1, end - quote - 1);
}

// Files written for the Windows program declare its code page, which the parser does not know:
// read as UTF-8 its euro sign and accented letters would come out as replacement characters.
bool loadStrings(pugi::xml_document& document, const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    const std::string data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad())
        return false;
    const std::string_view encoding = declaredEncoding(data);
    if (equalsIgnoringCase(encoding, "windows-1252") || equalsIgnoringCase(encoding, "cp1252")) {
        const std::string utf8 = windows1252ToUtf8(data);
        return static_cast<bool>(document.load_buffer(utf8.data(), utf8.size(), pugi::parse_default,
                                                      pugi::encoding_utf8));
    }
    return static_cast<bool>(document.load_buffer(data.data(), data.size()));
}

} // namespace

StringCatalogue::StringCatalogue(const std::string& path, std::string_view languageName) {
    try {
        m_loaded = loadStrings(m_document, path);
    } catch (const std::bad_alloc&) {
        m_loaded = false;
    }
    if (m_loaded) {
        for (pugi::xml_node lang : m_document.document_element().children("language")) {
            if (pugi::xml_attribute display = lang.attribute("display"))
                m_languages.emplace_back(display.value());
        }
    }
    selectLanguage(languageName);
    m_applicationName = lookUp(*this, Text::ApplicationName);
    m_dialogTitle = lookUp(*this, Text::DialogTitle);
}

std::shared_ptr<StringCatalogue> StringCatalogue::obtain() {
    SharedState& state = shared();
    std::lock_guard lock(state.mutex);
    if (auto existing = state.catalogue.lock())
        return existing;
    auto created = std::make_shared<StringCatalogue>(state.documentPath, state.languageName);
    state.catalogue = created;
    return created;
}

void StringCatalogue::setDocumentPath(std::string path) {
    SharedState& state = shared();
    std::lock_guard lock(state.mutex);
    state.documentPath = std::move(path);
}

long StringCatalogue::useCount() {
    SharedState& state = shared();
    std::lock_guard lock(state.mutex);
    return state.catalogue.use_count();
}

std::string StringCatalogue::documentPath() {
    SharedState& state = shared();
    std::lock_guard lock(state.mutex);
    return state.documentPath;
}

void StringCatalogue::setCurrentLanguageName(std::string name) {
    SharedState& state = shared();
    std::shared_ptr<StringCatalogue> existing;
    {
        std::lock_guard lock(state.mutex);
        state.languageName = std::move(name);
        existing = state.catalogue.lock();
    }
    if (existing)
        existing->selectLanguage(currentLanguageName());
}

std::string StringCatalogue::currentLanguageName() {
    SharedState& state = shared();
    std::lock_guard lock(state.mutex);
    return state.languageName;
}

bool StringCatalogue::selectLanguage(std::string_view name) {
    if (!m_loaded)
        return false;
    for (pugi::xml_node lang : m_document.document_element().children("language")) {
        pugi::xml_attribute display = lang.attribute("display");
        if (display && name == display.value()) {
            m_language = lang;
            return true;
        }
    }
    return false;
}

std::string StringCatalogue::selectedLanguage() const {
    return m_language.attribute("display").value();
}

pugi::xml_node StringCatalogue::findElement(std::string_view key) const {
    if (!m_language)
        return {};
    return findPath(m_language, splitKey(key), 0);
}

Status StringCatalogue::attribute(std::string_view key, std::string_view attr, std::string& out,
                                  std::string_view defaultText) const {
    out.assign(defaultText);
    pugi::xml_node element = key.empty() ? m_language : findElement(key);
    if (!element)
        return E_FAIL;
    out.clear();
    for (pugi::xml_attribute a : element.attributes()) {
        if (attr == a.name()) {
            out = a.value();
            return S_OK;
        }
    }
    return E_FAIL;
}

Status StringCatalogue::text(std::string_view key, std::string& out,
                             std::string_view defaultText) const {
    out.assign(defaultText);
    pugi::xml_node element = findElement(key);
    if (!element)
        return E_FAIL;
    // An element with no text of its own keeps the default rather than blanking a menu item.
    pugi::xml_node first = element.first_child();
    if (first.type() != pugi::node_pcdata && first.type() != pugi::node_cdata)
        return E_FAIL;
    out = first.value();
    return S_OK;
}

std::string StringCatalogue::attributeOr(std::string_view key, std::string_view attr,
                                         std::string_view defaultText) const {
    std::string out;
    attribute(key, attr, out, defaultText);
    return out;
}

std::string StringCatalogue::textOr(std::string_view key, std::string_view defaultText) const {
    std::string out;
    text(key, out, defaultText);
    return out;
}

} // namespace textowl
