#pragma once

#include <cstdint>

// The double-byte half of code page 932, generated at build time (tools/cp932). One row of 256
// entries per lead byte, the rows of 0x81-0x9F first and then those of 0xE0-0xFC, indexed by the
// trail byte; 0 marks a pair that is not a character.
inline constexpr int kCp932LeadCount = (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1);

extern const std::uint16_t kCp932DoubleByte[kCp932LeadCount * 256];
