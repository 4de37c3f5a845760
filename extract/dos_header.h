#pragma once

#include <cstdint>

#include "extract/result.h"
#include "extract/source.h"

// The DOS header every PE and NE program starts with, and the signatures it leads to.
namespace exeicon {

inline constexpr uint16_t kMzSignature = 0x5A4D;          // "MZ"
inline constexpr uint32_t kPeSignature = 0x00004550;      // "PE\0\0"
inline constexpr uint16_t kNeSignature = 0x454E;          // "NE"

// The program's e_lfanew: where its PE or NE header starts.
Result<uint64_t> read_e_lfanew(Source& source);

}  // namespace exeicon
