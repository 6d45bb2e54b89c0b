#include "refhost/ServiceTable.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace refhost {

namespace {

// One distinct trap per entry, so that a call through a missing entry names the entry.
template <int Index>
void notProvided() {
    std::fprintf(stderr, "host service %d is not provided\n", Index);
    std::abort();
}

template <std::size_t... Index>
constexpr std::array<sg::HostEntry, sizeof...(Index)> makeTraps(std::index_sequence<Index...>) {
    return {&notProvided<static_cast<int>(Index)>...};
}

constexpr auto kTraps = makeTraps(std::make_index_sequence<sg::kHostEntryCount>());

}  // namespace

ServiceTable::ServiceTable() {
    for (int index = 0; index < sg::kHostEntryCount; ++index) table_.entry[index] = kTraps[index];
}

void ServiceTable::install(int index, std::string_view name, sg::HostEntry entry) {
    table_.entry[index] = entry;
    names_.at(index) = name;
}

}  // namespace refhost
