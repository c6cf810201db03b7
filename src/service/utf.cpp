#include "service/utf.h"

#include "base/utf8.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace textowl {
namespace {

// Decodes one code point starting at text[i]; advances i past it (at least one byte).
char32_t decodeUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return kReplacementChar;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size()) {
            return kReplacementChar;
        }
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return kReplacementChar; // the offending byte starts the next sequence
        }
        cp = (cp << 6) | (next & 0x3F);
        ++i;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return kReplacementChar;
    }
    return cp;
}

// Output goes through a small stack buffer appended in chunks: growing the string by resize
// would zero-fill it first, which costs as much as the conversion of mostly-ASCII text.
template <typename CharT> class ChunkWriter {
public:
    explicit ChunkWriter(std::basic_string<CharT>& out) : m_out(out) {}
    ~ChunkWriter() { flush(); }
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // Room for n more units.
    CharT* reserve(std::size_t n) {
        if (m_used + n > kSize) {
            flush();
        }
        return m_buffer + m_used;
    }
    void commit(std::size_t n) { m_used += n; }
    void put(CharT c) { *reserve(1) = c, ++m_used; }
    void flush() {
        m_out.append(m_buffer, m_used);
        m_used = 0;
    }

private:
    static constexpr std::size_t kSize = 512;
    std::basic_string<CharT>& m_out;
    CharT m_buffer[kSize];
    std::size_t m_used = 0;
};

// Large replies are almost all ASCII: blocks of 16 are checked and converted together.
constexpr std::size_t kBlock = 16;

bool widenAsciiBlock(const char* src, char16_t* dst) {
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    if (_mm_movemask_epi8(v) != 0) {
        return false;
    }
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_unpackhi_epi8(v, zero));
    return true;
#else
    for (std::size_t k = 0; k < kBlock; ++k) {
        if (static_cast<unsigned char>(src[k]) >= 0x80) {
            return false;
        }
    }
    for (std::size_t k = 0; k < kBlock; ++k) {
        dst[k] = static_cast<unsigned char>(src[k]);
    }
    return true;
#endif
}

bool narrowAsciiBlock(const char16_t* src, char* dst) {
#if defined(__SSE2__)
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8));
    const __m128i high = _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(-128)); // 0xFF80
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) {
        return false;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(a, b));
    return true;
#else
    for (std::size_t k = 0; k < kBlock; ++k) {
        if (src[k] >= 0x80) {
            return false;
        }
    }
    for (std::size_t k = 0; k < kBlock; ++k) {
        dst[k] = static_cast<char>(src[k]);
    }
    return true;
#endif
}

} // namespace

void appendUtf8ToUtf16(std::string_view text, std::u16string& out) {
    out.reserve(out.size() + text.size()); // one UTF-16 unit per UTF-8 byte at most
    ChunkWriter<char16_t> writer(out);
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + kBlock <= text.size() && widenAsciiBlock(text.data() + i, writer.reserve(kBlock))) {
            writer.commit(kBlock);
            i += kBlock;
            continue;
        }
        const char32_t cp = decodeUtf8(text, i);
        if (cp < 0x10000) {
            writer.put(static_cast<char16_t>(cp));
        } else {
            writer.put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            writer.put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
}

void appendUtf16ToUtf8(std::u16string_view text, std::string& out) {
    out.reserve(out.size() + text.size());
    ChunkWriter<char> writer(out);
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + kBlock <= text.size() &&
            narrowAsciiBlock(text.data() + i, writer.reserve(kBlock))) {
            writer.commit(kBlock);
            i += kBlock;
            continue;
        }
        const char16_t unit = text[i++];
        char32_t cp = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 &&
            text[i] <= 0xDFFF) {
            cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i++] - 0xDC00);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            cp = kReplacementChar;
        }
        char* p = writer.reserve(4);
        writer.commit(static_cast<std::size_t>(putUtf8(cp, p) - p));
    }
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    appendUtf8ToUtf16(text, out);
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    appendUtf16ToUtf8(text, out);
    return out;
}

} // namespace textowl
