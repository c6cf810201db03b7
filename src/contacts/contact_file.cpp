#include "contacts/contact_file.h"

#include "contacts/csv_reader.h"
#include "contacts/text_encoding.h"
#include "contacts/vcard_reader.h"

#include <fstream>
#include <string>
#include <system_error>

namespace textowl {

ContactFormat detectFormat(std::string_view bytes) {
    std::string head;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        // Enough of the text to see past blank lines; a break in it is the reader's to report.
        appendUtf16AsUtf8(bytes.substr(2, 1024), bytes.front() == '\xFE', head);
        bytes = head;
    }
    bytes = withoutUtf8Bom(bytes);
    const std::size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos &&
        startsWithIgnoringCase(bytes.substr(start), "BEGIN:VCARD"))
        return ContactFormat::VCard;
    return ContactFormat::Csv;
}

ContactRead readContacts(std::string_view bytes) {
    return detectFormat(bytes) == ContactFormat::VCard ? readVCards(bytes) : readCsv(bytes);
}

ContactRead readContactFile(const std::filesystem::path& path) {
    ContactRead read;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        read.error = {ReadProblem::Unreadable, 0};
        return read;
    }
    if (size > kMaxContactFileBytes) {
        read.error = {ReadProblem::TooLarge, 0};
        return read;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        read.error = {ReadProblem::Unreadable, 0};
        return read;
    }
    return readContacts(bytes);
}

} // namespace textowl
