#include "brainvision/TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "util/Errors.h"

namespace sgf::brainvision {

namespace {

std::string upper(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

// Every sequence well formed: no stray continuation byte, overlong form, surrogate, or point
// past Unicode's last.
bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t index = 0; index < text.size();) {
        const unsigned char lead = bytes[index];
        if (lead < 0x80) {
            ++index;
            continue;
        }
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0 || text.size() - index < length) return false;
        uint32_t point = lead & (0x7Fu >> length);
        for (std::size_t next = 1; next < length; ++next) {
            if ((bytes[index + next] & 0xC0u) != 0x80u) return false;
            point = (point << 6) | (bytes[index + next] & 0x3Fu);
        }
        const uint32_t least = length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u;
        if (point < least || (point >= 0xD800u && point <= 0xDFFFu) || point > 0x10FFFFu) return false;
        index += length;
    }
    return true;
}

}  // namespace

Codepage codepageOf(std::string_view value, std::string_view text, const std::filesystem::path& file, std::size_t line) {
    const std::string name = upper(value);
    if (name.empty()) return isValidUtf8(text) ? Codepage::utf8 : Codepage::latin1;
    if (name == "UTF-8" || name == "UTF8") return Codepage::utf8;
    // ANSI is the Windows code page, which agrees with Latin-1 on every letter.
    if (name == "LATIN-1" || name == "LATIN1" || name == "ISO-8859-1" || name == "ANSI" || name == "WINDOWS-1252") {
        return Codepage::latin1;
    }
    throw InputError(file, line, "Codepage=" + std::string(value) + " is not one this reader knows (UTF-8, Latin-1)");
}

std::string utf8Of(std::string_view text, Codepage codepage, const std::filesystem::path& file, std::size_t line) {
    if (codepage == Codepage::utf8) {
        if (!isValidUtf8(text)) throw InputError(file, line, "is not valid UTF-8, though the file's Codepage says UTF-8");
        return std::string(text);
    }
    std::string converted;
    converted.reserve(text.size());
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x80) {
            converted += character;
        } else {
            converted += static_cast<char>(0xC0 | (byte >> 6));
            converted += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return converted;
}

}  // namespace sgf::brainvision
