#include "edf/EdfPlusAnnotations.h"

#include <algorithm>

#include "edf/EdfPlusNumbers.h"

namespace sgf {

namespace {

// A TAL's onset always has its sign.
std::string signedSeconds(int64_t nanoseconds) {
    std::string text = nanoseconds < 0 ? "" : "+";
    return text.append(secondsText(nanoseconds));
}

}  // namespace

std::string timeKeepingTal(int64_t onsetNanoseconds) {
    std::string tal = signedSeconds(onsetNanoseconds) + "\x14\x14";
    tal += '\0';
    return tal;
}

std::string annotationTal(const Annotation& annotation) {
    std::string tal = signedSeconds(nanosecondsOf(annotation.onset));
    const int64_t duration = nanosecondsOf(annotation.duration);
    if (duration > 0) tal.append("\x15").append(secondsText(duration));
    tal += '\x14';
    for (const char character : annotation.text) tal += static_cast<unsigned char>(character) < 0x20 ? ' ' : character;
    tal += '\x14';
    tal += '\0';
    return tal;
}

RecordAnnotations::RecordAnnotations(const std::vector<Annotation>& annotations) {
    for (const Annotation& annotation : annotations) tals_.emplace_back(nanosecondsOf(annotation.onset), annotationTal(annotation));
    std::ranges::stable_sort(tals_, {}, [](const auto& tal) { return tal.first; });
}

std::string RecordAnnotations::next(int64_t onset, std::optional<int64_t> nextOnset) {
    std::string text = timeKeepingTal(onset);
    for (; given_ < tals_.size() && (!nextOnset || tals_[given_].first < *nextOnset); ++given_) text += tals_[given_].second;
    return text;
}

}  // namespace sgf
