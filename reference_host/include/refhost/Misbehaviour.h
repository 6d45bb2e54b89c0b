// What a module did that a correct module never would. Nothing here stops the run: tests read
// the list after each step and assert it is empty, so one test can show every fault at once.
#pragma once

#include <string>
#include <vector>

namespace refhost {

class MisbehaviourLog {
public:
    void record(std::string description) { entries_.push_back(std::move(description)); }
    const std::vector<std::string>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    std::vector<std::string> entries_;
};

}  // namespace refhost
