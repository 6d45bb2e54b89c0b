// A request that cannot be served in the server's present state (the settings dialog holds the
// module, a save runs or does not), which the server answers with 409.
#pragma once

#include <stdexcept>

namespace sgf {

class RequestConflict : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace sgf
