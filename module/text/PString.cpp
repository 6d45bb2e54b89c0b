#include "text/PString.h"

#include <algorithm>
#include <cstring>

#include "platform/Carbon.h"

namespace sg {

namespace {

constexpr int32_t kMaxCharacters = kPStringBufferSize - 1;

int32_t lengthOf(const uint8_t* text) { return text == nullptr ? 0 : text[0]; }

// Joins up to five inputs with the result size clamped to 0..256. The characters are assembled
// in a private buffer and written last, so the result may be one of the inputs.
uint8_t* JoinCapped(int32_t size, uint8_t* result, std::initializer_list<const uint8_t*> inputs) {
    int32_t total = 1;
    for (const uint8_t* input : inputs) total += lengthOf(input);
    const int32_t clamped = std::clamp(size, 0, kPStringBufferSize);
    const int32_t resultSize = std::min(clamped, total);
    // A result of less than one byte has no room even for the length: nothing is written.
    if (resultSize < 1) return result;

    uint8_t assembled[kMaxCharacters];
    int32_t room = resultSize - 1;
    int32_t used = 0;
    for (const uint8_t* input : inputs) {
        const int32_t take = std::min(lengthOf(input), room);
        if (take > 0) std::memcpy(assembled + used, input + 1, take);
        used += take;
        room -= take;
    }
    std::memcpy(result + 1, assembled, used);
    result[0] = static_cast<uint8_t>(used);
    return result;
}

}  // namespace

uint8_t* PStringCopy(uint8_t* destination, const uint8_t* source) {
    std::memmove(destination, source, source[0] + 1);
    return destination;
}

void PStringCopyBounded(uint8_t* destination, const uint8_t* source, int32_t size) {
    if (size < 1) return;
    const int32_t whole = source[0] + 1;
    if (whole <= size) {
        std::memmove(destination, source, whole);
        return;
    }
    std::memmove(destination, source, size);
    destination[0] = static_cast<uint8_t>(size - 1);
}

int16_t PStringCompare(const uint8_t* a, const uint8_t* b) {
    if (a[0] != b[0]) return static_cast<int16_t>(a[0] - b[0]);
    for (int i = 1; i <= a[0]; ++i) {
        if (a[i] != b[i]) return static_cast<int16_t>(a[i] - b[i]);
    }
    return 0;
}

uint8_t* PStringConcat3(int32_t size, uint8_t* result, const uint8_t* a, const uint8_t* b, const uint8_t* c) {
    return JoinCapped(size, result, {a, b, c});
}

uint8_t* PStringConcat5(uint8_t* result, const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d,
                        const uint8_t* e) {
    return JoinCapped(kPStringBufferSize, result, {a, b, c, d, e});
}

PStringValue NumberToPString(int32_t value) {
    PStringValue text{};
    NumToString(value, text.data());
    return text;
}

}  // namespace sg
