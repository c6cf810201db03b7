#pragma once

#include "contacts/contact.h"

#include <filesystem>
#include <string_view>

namespace textowl {

enum class ContactFormat { VCard, Csv };

// A file is a vCard file when a BEGIN:VCARD line opens it (after a byte-order mark and blank
// lines); anything else is read as CSV, whose reader refuses what is not CSV either.
ContactFormat detectFormat(std::string_view bytes);

ContactRead readContacts(std::string_view bytes);
// Refuses a file above kMaxContactFileBytes before reading any of it.
ContactRead readContactFile(const std::filesystem::path& path);

} // namespace textowl
