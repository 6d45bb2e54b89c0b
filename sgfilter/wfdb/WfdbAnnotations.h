// A WFDB annotation file in the MIT format: 16-bit little-endian words, each an annotation type
// in its top six bits and the time since the annotation before in its low ten, with the pseudo-
// types SKIP (a 32-bit interval follows), NUM, SUB and CHN (which change the annotation before
// them and are not shown) and AUX (text that belongs to the annotation before it).
#pragma once

#include <filesystem>
#include <vector>

#include "input/StartAndAnnotations.h"

namespace sgf {

// Onsets in seconds at `frameRate`; each annotation's text is its type's mnemonic ("N", "V",
// "+"), then a space and its aux text where it has one ("+ (N"). Throws InputError naming the file
// where it cannot be read or its words run past its end.
std::vector<Annotation> readWfdbAnnotations(const std::filesystem::path& file, double frameRate);

}  // namespace sgf
