// A fixed session of a host with the real module, step by step: three channels computed from
// their own raw samples, from another channel's raw samples and from a channel's computed values,
// over a recording whose runs span several blocks and break inside one. Each step is one call of
// Main1; what the host received from it (result, written samples, records, settings, reports,
// messages) becomes a digest that two runs of the session compare bit for bit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "refhost/ChannelComputation.h"
#include "refhost/ReferenceHost.h"

namespace sgtest {

using Digest = std::vector<uint32_t>;

class ScriptedSession {
public:
    explicit ScriptedSession(refhost::ReferenceHost& host);

    std::size_t stepCount() const { return steps_.size(); }
    const std::string& stepName(std::size_t step) const { return steps_.at(step).name; }
    // Runs one step. The messages the host showed during it are also kept apart.
    Digest run(std::size_t step);
    const std::vector<std::string>& lastMessages() const { return lastMessages_; }
    // The instances created so far (null where creation failed).
    std::vector<sg::FunctionInstance**> instances() const;
    // Every instance's state and the settings its parameters set, as they stand now.
    Digest settingsDigest() const;
    // The steps that run the settings dialog to OK, so that its reports reach the host.
    std::vector<std::size_t> confirmedDialogSteps() const;

private:
    struct Step {
        std::string name;
        std::function<void(Digest&)> call;
        bool confirmsDialog = false;
    };
    void AddComputation(int which, int16_t channel, std::vector<std::pair<uint16_t, int16_t>> parameters);
    void AddSpan(int which, int16_t block, int16_t first, int16_t end);
    void AddDialog(int which, std::vector<refhost::DialogStep> script);
    void DigestSettings(int which, Digest& digest) const;

    refhost::ReferenceHost& host_;
    std::vector<int16_t> channels_;  // the channel each computation produces
    std::vector<std::optional<refhost::ChannelComputation>> computations_;
    std::vector<Step> steps_;
    std::vector<std::string> lastMessages_;
};

}  // namespace sgtest
