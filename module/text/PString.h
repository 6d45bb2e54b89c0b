// Length-prefixed strings: byte 0 is the length n (0 to 255), bytes 1..n the characters, no
// terminator. Characters are opaque bytes, compared as unsigned values.
#pragma once

#include <array>
#include <cstdint>

#include "host/HostTypes.h"

namespace sg {

// A fresh string returned by value; callers copy it where it is needed.
using PStringValue = std::array<uint8_t, kPStringBufferSize>;

// Copies the whole source, length byte included; the destination has room for it.
uint8_t* PStringCopy(uint8_t* destination, const uint8_t* source);
// Copies into a destination of `size` bytes, cutting the text to size - 1 characters.
void PStringCopyBounded(uint8_t* destination, const uint8_t* source, int32_t size);
// 0 when equal; otherwise a shorter string sorts first, then the first differing byte decides.
int16_t PStringCompare(const uint8_t* a, const uint8_t* b);
// Joins the inputs into `result`, which receives at most size - 1 characters (size clamped to
// 0..256). A null input counts as empty. The result may be one of the inputs.
uint8_t* PStringConcat3(int32_t size, uint8_t* result, const uint8_t* a, const uint8_t* b, const uint8_t* c);
uint8_t* PStringConcat5(uint8_t* result, const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d,
                        const uint8_t* e);
// The decimal text of a number, as the platform writes it.
PStringValue NumberToPString(int32_t value);

}  // namespace sg
