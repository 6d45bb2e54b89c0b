// A file opened by EDFlib, the independent reader the tests check EDF+ and BDF+ outputs with, and
// closed again however the test ends.
#pragma once

#include <edflib.h>

#include <memory>

namespace sgf::testing {

struct ClosedByEdflib {
    void operator()(edf_hdr_struct* header) const {
        edfclose_file(header->handle);
        delete header;
    }
};

using EdflibHeader = std::unique_ptr<edf_hdr_struct, ClosedByEdflib>;

}  // namespace sgf::testing
