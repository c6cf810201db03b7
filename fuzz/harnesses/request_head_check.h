// What every request head the client writes must look like, whatever the server sent before:
// a harness that builds one from server bytes traps when those bytes changed its shape.
#pragma once

#include <cstddef>
#include <string_view>

namespace textowl::fuzz {

// Lines end in CR LF and nowhere else, nothing below 0x20 or DEL sits inside a line, the request
// line is method, target and version split by exactly two spaces, and there are `lines` lines in
// all, the closing empty one included.
inline void checkRequestHead(std::string_view head, std::size_t expectedLines) {
    std::size_t lines = 0;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < head.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(head[i]);
        if (c == '\r') {
            if (i + 1 >= head.size() || head[i + 1] != '\n') {
                __builtin_trap();
            }
            if (lines == 0) {
                const std::string_view line = head.substr(0, i);
                std::size_t spaces = 0;
                for (char ch : line) {
                    spaces += ch == ' ';
                }
                if (spaces != 2 || !line.ends_with(" HTTP/1.1")) {
                    __builtin_trap();
                }
            }
            ++lines;
            ++i;
            lineStart = i + 1;
            continue;
        }
        if (c < 0x20 || c == 0x7f) {
            __builtin_trap();
        }
    }
    if (lines != expectedLines || lineStart != head.size()) {
        __builtin_trap();
    }
}

} // namespace textowl::fuzz
