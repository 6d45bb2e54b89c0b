// Items of string-list resources.
#pragma once

#include <cstdint>

#include "text/PString.h"

namespace sg {

class ExtensionBase;

// Item `index` (from 1) of list `listId`, from whatever resource files are current now.
PStringValue GetCurrentResourceString(int16_t listId, int16_t index);
// The same item from the extension's own resource file.
PStringValue GetExtensionString(int16_t listId, int16_t index, const ExtensionBase& extension);

}  // namespace sg
