#pragma once

#include <cstdint>

namespace textowl {

// Failures travel between subsystems as these codes; nothing is thrown across them.
using Status = std::int32_t;

inline constexpr Status S_OK = 0;
inline constexpr Status E_POINTER = static_cast<Status>(0x80004003u);
inline constexpr Status E_FAIL = static_cast<Status>(0x80004005u);
inline constexpr Status E_OUTOFMEMORY = static_cast<Status>(0x8007000Eu);
inline constexpr Status E_INVALIDARG = static_cast<Status>(0x80070057u);

constexpr bool succeeded(Status s) {
    return s >= 0;
}
constexpr bool failed(Status s) {
    return s < 0;
}

} // namespace textowl
