// A channel's settings as they stood before a series of parameter reports that the host applies
// one by one, to put back when the series fails part way: the channel then keeps its old settings
// rather than a mix of old and new ones.
#pragma once

#include "settings/FunctionInstance.h"

namespace sg {

class SettingsSnapshot {
public:
    explicit SettingsSnapshot(FunctionInstance** instance);

    // Puts back the state and the six parameter values; a channel that had no settings gives up
    // the record the reports created. A weight table of another shape than the old one goes.
    void Restore() const;

private:
    FunctionInstance** instance_;
    int16_t state_;
    bool hadSettings_;
    LocalDataType values_{};
};

}  // namespace sg
