// The table of service entries handed to the module. Every entry starts as a trap that names its
// index and aborts; the host installs its services over the traps. Each installed service goes
// through a gate that traces the call, checks it comes during a call of Main1, moves unlocked
// memory in stress mode and injects planned faults, before the implementation runs; when none of
// that has anything to do, the gate lets the call straight through.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "module/host/HostCallbacks.h"

namespace refhost {

using Main1Function = int32_t (*)(int16_t selector, void* parameterBlock, sg::HostCallbacks* table);

namespace detail {

// A service argument as the 32-bit word that reached the host.
template <class Argument>
uint32_t asWord(Argument argument) {
    if constexpr (std::is_pointer_v<Argument>) {
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(argument));
    } else {
        return static_cast<uint32_t>(argument);
    }
}

// Whether a service may skip the host's entry (no trace, no stress, no planned fault, a call of
// Main1 under way): the host's lean path, for hosts that filter long recordings. Defined inline
// by the reference host (refhost/ReferenceHost.h), which every file that installs services includes.
inline bool enterQuietly();
// Runs the host's checks before a service; defined by the reference host.
void enterService(int index, std::span<const uint32_t> words);

template <class Service, auto Implementation, class Function = typename Service::Function>
struct GatedService;

template <class Service, auto Implementation, class Result, class... Arguments>
struct GatedService<Service, Implementation, Result (*)(Arguments...)> {
    static Result call(Arguments... arguments) {
        if (!enterQuietly()) {
            const uint32_t words[sizeof...(Arguments) + 1] = {asWord(arguments)...};
            enterService(Service::index, std::span<const uint32_t>(words, sizeof...(Arguments)));
        }
        return Implementation(arguments...);
    }
};

}  // namespace detail

class ServiceTable {
public:
    ServiceTable();
    ServiceTable(const ServiceTable&) = delete;
    ServiceTable& operator=(const ServiceTable&) = delete;

    // Installs `Implementation` as the entry of `Service`; it must have exactly the entry's type.
    template <class Service, auto Implementation>
    void provide(std::string_view name) {
        static_assert(std::is_same_v<decltype(Implementation), typename Service::Function>,
                      "a service implementation must have exactly the type of its table entry");
        install(Service::index, name,
                reinterpret_cast<sg::HostEntry>(&detail::GatedService<Service, Implementation>::call));
    }

    sg::HostCallbacks* callbacks() { return &table_; }
    bool isProvided(int index) const { return !names_.at(index).empty(); }
    // Empty for an entry that is not provided.
    std::string_view name(int index) const { return names_.at(index); }

private:
    void install(int index, std::string_view name, sg::HostEntry entry);

    sg::HostCallbacks table_;
    std::array<std::string_view, sg::kHostEntryCount> names_{};
};

}  // namespace refhost
