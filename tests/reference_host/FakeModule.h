// A stand-in for the module: a plain function with Main1's signature whose behaviour each test
// sets, and a fixture whose host calls it through the same path as a loaded module.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "module/host/HostCallbacks.h"
#include "refhost/ReferenceHost.h"

namespace fake {

using Behaviour = std::function<int32_t(int16_t selector, void* block, sg::HostCallbacks* table)>;
inline Behaviour behaviour;

inline int32_t Main1(int16_t selector, void* block, sg::HostCallbacks* table) {
    return behaviour ? behaviour(selector, block, table) : 0;
}

// Calls a table entry the way the module's forwarding routines do.
template <class Service, class... Arguments>
auto call(sg::HostCallbacks* table, Arguments... arguments) {
    auto entry = reinterpret_cast<typename Service::Function>(table->entry[Service::index]);
    return entry(arguments...);
}

// The fake module's resource file: the host's own file serves, it only has to be valid.
inline std::filesystem::path resourceFile() { return SG_BUILD_DIR "/ReferenceHost.rsrc.json"; }

}  // namespace fake

class HostTest : public ::testing::Test {
protected:
    explicit HostTest(refhost::HostOptions options = {}) : host(std::move(options)) {
        host.attachModule(&fake::Main1, "FakeModule", fake::resourceFile());
    }
    ~HostTest() override { fake::behaviour = nullptr; }

    // Runs `body` inside a call of Main1, as the module's own code would run.
    int32_t duringCall(const std::function<void(sg::HostCallbacks*)>& body) {
        fake::behaviour = [&](int16_t, void*, sg::HostCallbacks* table) {
            body(table);
            return 0;
        };
        const int32_t result = host.callWithoutBlock(99);
        fake::behaviour = nullptr;
        return result;
    }

    const std::vector<std::string>& misbehaviour() { return host.misbehaviour().entries(); }
    bool misbehaviourMentions(const std::string& text) {
        for (const std::string& entry : misbehaviour()) {
            if (entry.find(text) != std::string::npos) return true;
        }
        return false;
    }

    refhost::ReferenceHost host;
};
