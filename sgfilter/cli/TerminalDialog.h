// A person at the terminal answering a module's modal dialog: before each wait the dialog is shown
// as text, then one line is read, an item number and, where the item needs one, its new value.
// A line that cannot be acted on is explained and asked for again; end of input is Cancel.
#pragma once

#include <istream>
#include <ostream>

#include "refhost/DialogSession.h"

namespace sgf {

class TerminalDialog : public refhost::DialogDriver {
public:
    TerminalDialog(std::istream& input, std::ostream& output) : input_(input), output_(output) {}
    int16_t nextHit(platform::Dialog& dialog) override;

private:
    std::istream& input_;
    std::ostream& output_;
    bool explained_ = false;  // how to answer is told once, with the first showing of the dialog
};

}  // namespace sgf
