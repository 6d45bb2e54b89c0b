#include "wfdb/WfdbAnnotations.h"

#include <fmt/format.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "util/Errors.h"

namespace sgf {

namespace {

constexpr int kSkip = 59, kNum = 60, kSub = 61, kChn = 62, kAux = 63;

// The mnemonics WFDB gives annotation types 0 to 41; the others are shown by number.
std::string mnemonicOf(int type) {
    static constexpr std::array<const char*, 42> kMnemonics{
        " ", "N", "L", "R", "a", "V", "F", "J", "A", "S", "E", "j", "/", "Q", "~", "[15]", "|", "[17]", "s", "T", "*",
        "D", "\"", "=", "p", "B", "^", "t", "+", "u", "?", "!", "[", "]", "e", "n", "@", "x", "f", "(", ")", "r"};
    if (type >= 0 && type < static_cast<int>(kMnemonics.size())) return kMnemonics[static_cast<std::size_t>(type)];
    return fmt::format("[{}]", type);
}

}  // namespace

std::vector<Annotation> readWfdbAnnotations(const std::filesystem::path& file, double frameRate) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError(file, 0, "cannot open the annotation file");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = 0;
    const auto word = [&]() -> std::uint32_t {
        if (at + 2 > bytes.size()) throw InputError(file, 0, fmt::format("the annotation file ends inside a word at byte {}", at));
        const auto value = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
        at += 2;
        return value;
    };
    std::vector<Annotation> annotations;
    std::uint64_t time = 0;
    // The aux text of the annotation last read, kept apart until the next one begins.
    std::string aux;
    const auto finishLast = [&]() {
        if (!annotations.empty() && !aux.empty()) annotations.back().text += " " + aux;
        aux.clear();
    };
    while (at + 2 <= bytes.size()) {
        const std::uint32_t value = word();
        const int type = static_cast<int>(value >> 10);
        const std::uint32_t field = value & 0x3ff;
        if (type == 0 && field == 0) break;  // the end of the annotations
        if (type == kSkip) {
            // A longer interval, high word first.
            const std::uint32_t high = word();
            const std::uint32_t low = word();
            time += static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(high << 16 | low)));
        } else if (type == kAux) {
            if (at + field > bytes.size()) throw InputError(file, 0, fmt::format("an aux text at byte {} runs past the file's end", at));
            aux.assign(bytes, at, field);
            aux.resize(aux.find('\0') == std::string::npos ? aux.size() : aux.find('\0'));
            at += field + (field % 2);
        } else if (type == kNum || type == kSub || type == kChn) {
            continue;
        } else {
            finishLast();
            time += field;
            annotations.push_back({static_cast<double>(time) / frameRate, 0.0, mnemonicOf(type)});
        }
    }
    finishLast();
    return annotations;
}

}  // namespace sgf
