// Reading the annotation signal of a data record: time-stamped annotation lists (TALs),
// "+onset[\x15duration]\x14text\x14...\x14\0", one after another, the rest of the signal \0. In
// EDF+ and BDF+ the record's first TAL keeps its time: its first text is empty and its onset is
// the record's.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "input/StartAndAnnotations.h"

namespace sgf {

struct RecordTals {
    std::optional<double> timeKeepingOnset;  // where the first TAL keeps time
    std::vector<Annotation> annotations;     // every text of every TAL but the time-keeping one
};

// Nothing where the bytes are not TALs: a reader says which record.
std::optional<RecordTals> readRecordTals(std::string_view bytes);

}  // namespace sgf
