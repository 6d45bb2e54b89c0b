// The basic value types that cross the boundary between the host and the extension.
// The module is built for 32-bit x86: pointers, handles and every service argument are 4 bytes.
#pragma once

#include <cstdint>

namespace sg {

// Every argument and result of a host service travels as one 32-bit word.
using HostWord = int32_t;

// A reference to the master pointer of a relocatable block that the host allocated.
// The block's address is read afresh through the handle at every access: the host may move
// an unlocked block during any of its services.
using Handle = void**;

// Length-prefixed string: byte 0 is the length (0 to 255), bytes 1..n the characters.
inline constexpr int kPStringBufferSize = 256;
using Str255 = uint8_t[kPStringBufferSize];

// The host's opaque dialog, window and control objects.
using DialogRef = void*;
using WindowRef = void*;
using ControlRef = void*;

// A four-character code as the platform packs it, first character in the high byte: 'DLOG', 'MgVl'.
constexpr uint32_t FourCharCode(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 | uint32_t(uint8_t(code[2])) << 8 |
           uint32_t(uint8_t(code[3]));
}

static_assert(sizeof(void*) == 4, "the host boundary is 32-bit: build with -m32");
static_assert(sizeof(Handle) == 4 && sizeof(HostWord) == 4);

}  // namespace sg
