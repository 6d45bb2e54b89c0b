// The annotation signal of EDF+ and BDF+ data records: time-stamped annotation lists (TALs). Each
// record's text opens with its time-keeping TAL, the record's onset; the recording's annotations
// follow, each in the record during which it starts (the first record for those before it, the
// last one before a pause for those within the pause), so a reader finds them near their time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "input/StartAndAnnotations.h"

namespace sgf {

// "+onset\x14\x14\0"
std::string timeKeepingTal(int64_t onsetNanoseconds);
// "+onset\x15duration\x14text\x14\0", without the duration when it is 0. Control characters in the
// text, the TAL's separators among them, become spaces.
std::string annotationTal(const Annotation& annotation);

class RecordAnnotations {
public:
    explicit RecordAnnotations(const std::vector<Annotation>& annotations);

    // The text of the next record, which starts at `onset`: its time-keeping TAL and the TALs of
    // the annotations not yet given that start before `nextOnset`, or of all of them for the
    // last record.
    std::string next(int64_t onset, std::optional<int64_t> nextOnset);

private:
    std::vector<std::pair<int64_t, std::string>> tals_;  // onset in nanoseconds, in order of onset
    std::size_t given_ = 0;
};

}  // namespace sgf
