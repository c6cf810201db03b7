#include "contacts/text_encoding.h"

#include "base/ascii.h"
#include "base/single_byte_text.h"
#include "base/utf8.h"

#include <algorithm>
#include <cstdint>

namespace textowl {

namespace {

} // namespace

std::size_t firstInvalidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0)
                low = 0xA0; // overlong
            if (b == 0xED)
                high = 0x9F; // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0)
                low = 0x90;
            if (b == 0xF4)
                high = 0x8F;
        } else {
            return i;
        }
        if (i + length > size || bytes[i + 1] < low || bytes[i + 1] > high)
            return i;
        for (std::size_t k = 2; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return i;
        }
        i += length;
    }
    return std::string_view::npos;
}

bool isValidUtf8(std::string_view text) {
    return firstInvalidUtf8(text) == std::string_view::npos;
}

std::string_view withoutUtf8Bom(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return bytes;
}

std::size_t appendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out) {
    const auto unit = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<char32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    out.reserve(out.size() + bytes.size() + bytes.size() / 2);
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        const char32_t code = unit(at);
        if (code < 0xD800 || code > 0xDFFF) {
            appendUtf8(out, code);
            continue;
        }
        if (code > 0xDBFF || at + 3 >= bytes.size())
            return at;
        const char32_t low = unit(at + 2);
        if (low < 0xDC00 || low > 0xDFFF)
            return at;
        appendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
        at += 2;
    }
    return at < bytes.size() ? at : std::string_view::npos;
}

namespace {

FileText decodedUtf16(std::string_view units, bool bigEndian) {
    FileText file;
    file.fromUtf16 = true;
    if (appendUtf16AsUtf8(units, bigEndian, file.text) != std::string_view::npos) {
        file.error = {ReadProblem::InvalidUtf16, lineAt(file.text, file.text.size())};
        file.text.clear();
    }
    return file;
}

} // namespace

FileText decodeFile(std::string_view bytes, LegacyText legacy) {
    FileText file;
    if (bytes.size() > kMaxContactFileBytes) {
        file.error = {ReadProblem::TooLarge, 0};
        return file;
    }
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        file = decodedUtf16(bytes.substr(2), bytes.front() == '\xFE');
        bytes = file.text; // a NUL in the text is as binary as one in the bytes
    }
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
        file.error = {ReadProblem::BinaryData, lineAt(bytes, nul)};
        file.text.clear();
    }
    if (file.error.problem != ReadProblem::None || file.fromUtf16)
        return file;
    const bool markedUtf8 = bytes.starts_with("\xEF\xBB\xBF");
    const std::string_view text = withoutUtf8Bom(bytes);
    const std::size_t bad = firstInvalidUtf8(text);
    if (bad == std::string_view::npos || legacy == LegacyText::LeftToValues)
        file.text = text;
    else if (markedUtf8)
        file.error = {ReadProblem::InvalidUtf8, lineAt(text, bad)};
    else
        file.text = windows1252ToUtf8(text);
    return file;
}

std::size_t lineAt(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

std::optional<std::string> toUtf8(std::string_view bytes, std::string_view charset) {
    if (charset.empty() || equalsIgnoringCase(charset, "UTF-8") ||
        equalsIgnoringCase(charset, "UTF8") || equalsIgnoringCase(charset, "US-ASCII") ||
        equalsIgnoringCase(charset, "ASCII"))
        return std::string(bytes);
    if (equalsIgnoringCase(charset, "WINDOWS-1252") || equalsIgnoringCase(charset, "CP1252"))
        return windows1252ToUtf8(bytes);
    if (equalsIgnoringCase(charset, "ISO-8859-1") || equalsIgnoringCase(charset, "LATIN1") ||
        equalsIgnoringCase(charset, "ISO_8859-1"))
        return latin1ToUtf8(bytes);
    return std::nullopt;
}

std::string decodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '=') {
            out += c;
            continue;
        }
        if (i + 1 == text.size())
            break; // soft break at the very end
        if (text[i + 1] == '\r' || text[i + 1] == '\n') {
            i += (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n') ? 2 : 1;
            continue;
        }
        const int high = i + 2 < text.size() ? hexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexDigitValue(text[i + 2]) : -1;
        if (low < 0) {
            out += c;
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace textowl
