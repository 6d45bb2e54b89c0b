#include "integration/ScriptedSession.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "refhost/Scaling.h"

namespace sgtest {

namespace {

using refhost::DataKind;

void AddBytes(Digest& digest, const void* bytes, std::size_t size) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (std::size_t i = 0; i < size; ++i) digest.push_back(p[i]);
}

void AddText(Digest& digest, const std::string& text) {
    digest.push_back(static_cast<uint32_t>(text.size()));
    AddBytes(digest, text.data(), text.size());
}

}  // namespace

ScriptedSession::ScriptedSession(refhost::ReferenceHost& host) : host_(host) {
    auto& recording = host.recording();
    for (const char* name : {"pressure", "flow", "derived", "flow out", "derived out"}) {
        recording.addChannel({name, std::string(name) + " title", refhost::nativeScaling(0.5, "mV", 3),
                              refhost::nativeScaling(0.25, "mV", 2)});
    }
    // Two runs: 24 + 16 + 20 samples, then 18 + 30 samples with a break 12 samples into the last block.
    int16_t index = 0;
    for (int16_t length : std::initializer_list<int16_t>{24, 16, 20, 18, 30}) {
        const bool startsRun = index == 0 || index == 3;
        recording.addBlock(length, 0.001, startsRun ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
        ++index;
    }
    recording.breakRunAt(recording.blockStart(5) + 12);
    for (int16_t block = 1; block <= recording.blockCount(); ++block) {
        const int32_t base = recording.blockStart(block);
        for (int16_t channel = 1; channel <= 3; ++channel) {
            auto raw = recording.values(DataKind::raw, channel, block);
            for (std::size_t i = 0; i < raw.size(); ++i) {
                const double t = static_cast<double>(base + static_cast<int32_t>(i));
                raw[i] = static_cast<float>(std::sin(0.1 * t * channel) + 0.01 * t);
            }
        }
        auto computed = recording.values(DataKind::computed, 3, block);
        for (std::size_t i = 0; i < computed.size(); ++i)
            computed[i] = static_cast<float>(std::cos(0.07 * static_cast<double>(base + static_cast<int32_t>(i))));
    }

    using namespace sg;
    AddComputation(0, 1, {{kParamSourceChannel, 1}, {kParamUseComputedSource, 0}, {kParamDerivativeOrder, 1},
                          {kParamPolynomialOrder, 3}, {kParamWindowWidth, 7}, {kParamRangeIndex, 2}});
    AddComputation(1, 4, {{kParamSourceChannel, 2}, {kParamUseComputedSource, 0}, {kParamDerivativeOrder, 0},
                          {kParamPolynomialOrder, 2}, {kParamWindowWidth, 9}, {kParamRangeIndex, 3}});
    AddComputation(2, 5, {{kParamSourceChannel, 3}, {kParamUseComputedSource, 1}, {kParamDerivativeOrder, 2},
                          {kParamPolynomialOrder, 4}, {kParamWindowWidth, 11}, {kParamRangeIndex, -1}});
    AddSpan(0, 2, 0, 16);   // windows reach into the blocks on both sides
    AddSpan(0, 1, 2, 24);   // the start of a run
    AddSpan(0, 3, 5, 20);   // the end of a run
    AddSpan(0, 5, 0, 30);   // across the break inside the block
    AddSpan(1, 4, 0, 18);
    AddSpan(1, 5, 10, 30);  // a run too short for the window: copied
    AddSpan(2, 1, 0, 24);
    AddSpan(2, 3, 0, 20);
    for (auto [which, block] : {std::pair{0, 2}, std::pair{2, 4}, std::pair{1, 0}}) {
        steps_.push_back({"scaling of computation " + std::to_string(which) + " block " + std::to_string(block),
                          [this, which = which, block = block](Digest& digest) {
                              const auto answer = computations_.at(which)->outputScaling(static_cast<int16_t>(block));
                              digest.push_back(static_cast<uint32_t>(answer.result));
                              digest.push_back(answer.answered);
                              AddBytes(digest, answer.record.data(), answer.record.size());
                          }});
    }
    for (int which : {0, 2}) {
        steps_.push_back({"title of computation " + std::to_string(which), [this, which](Digest& digest) {
                              const auto answer = computations_.at(which)->defaultTitle();
                              digest.push_back(static_cast<uint32_t>(answer.result));
                              digest.push_back(answer.record.hasTitle);
                              AddText(digest, answer.text());
                          }});
    }
    // OK with changes: the computed values of channel 3, the first derivative, order 4, width 13;
    // the range index, which the dialog cannot change, is reported as it was (3).
    AddDialog(1, {{6, 3, {}}, {10, {}, {}}, {13, 2, {}}, {15, 3, {}}, {17, {}, "13"}, {1, {}, {}}});
    AddSpan(1, 2, 0, 16);
    AddDialog(0, {{15, 5, {}}, {17, {}, "21"}, {2, {}, {}}});  // Cancel after changes
    AddSpan(0, 2, 0, 16);
}

void ScriptedSession::AddComputation(int which, int16_t channel, std::vector<std::pair<uint16_t, int16_t>> parameters) {
    channels_.push_back(channel);
    computations_.emplace_back();
    steps_.push_back({"create computation " + std::to_string(which), [this, which, channel](Digest& digest) {
                          computations_.at(which) = refhost::ChannelComputation::create(host_, channel);
                          digest.push_back(computations_.at(which).has_value());
                      }});
    for (auto [parameter, value] : parameters) {
        steps_.push_back({"computation " + std::to_string(which) + " parameter " + std::to_string(parameter),
                          [this, which, parameter = parameter, value = value](Digest& digest) {
                              digest.push_back(static_cast<uint32_t>(computations_.at(which)->setParameter(parameter, value)));
                              DigestSettings(which, digest);
                          }});
    }
}

void ScriptedSession::AddSpan(int which, int16_t block, int16_t first, int16_t end) {
    steps_.push_back({"computation " + std::to_string(which) + " block " + std::to_string(block) + " span " +
                          std::to_string(first) + ".." + std::to_string(end),
                      [this, which, block, first, end](Digest& digest) {
                          auto& computation = *computations_.at(which);
                          digest.push_back(static_cast<uint32_t>(computation.computeSpan(block, first, end)));
                          const auto output = host_.recording().values(DataKind::computed, computation.channel(), block);
                          for (int16_t n = first; n < end; ++n) digest.push_back(std::bit_cast<uint32_t>(output[n]));
                      }});
}

void ScriptedSession::AddDialog(int which, std::vector<refhost::DialogStep> script) {
    steps_.push_back({"dialog of computation " + std::to_string(which), [this, which, script](Digest& digest) {
                          const std::size_t reportsBefore = host_.records().parameterReports.size();
                          host_.dialogs().setDriver(std::make_shared<refhost::ScriptedDialog>(script));
                          const auto& computation = *computations_.at(which);
                          sg::InstanceChannelBlock block{computation.instance(), computation.channel(), 0};
                          digest.push_back(static_cast<uint32_t>(host_.call(sg::kSelectorRunSettingsDialog, block)));
                          const auto& reports = host_.records().parameterReports;
                          for (std::size_t i = reportsBefore; i < reports.size(); ++i) {
                              digest.push_back(reports[i].parameter);
                              digest.push_back(static_cast<uint32_t>(reports[i].value));
                          }
                          DigestSettings(which, digest);
                      },
                      !script.empty() && script.back().item == 1});
}

void ScriptedSession::DigestSettings(int which, Digest& digest) const {
    sg::FunctionInstance** instance = computations_.at(which)->instance();
    digest.push_back(static_cast<uint32_t>((*instance)->state));
    if ((*instance)->settings == nullptr) return;
    // The fields the parameters set; the scale fields are working values of the computation.
    AddBytes(digest, *(*instance)->settings, offsetof(sg::LocalDataType, inputScale));
}

Digest ScriptedSession::run(std::size_t step) {
    const std::size_t messagesBefore = host_.records().errorMessages.size();
    Digest digest;
    steps_.at(step).call(digest);
    const auto& messages = host_.records().errorMessages;
    lastMessages_.assign(messages.begin() + static_cast<std::ptrdiff_t>(messagesBefore), messages.end());
    for (const std::string& message : lastMessages_) AddText(digest, message);
    return digest;
}

Digest ScriptedSession::settingsDigest() const {
    Digest digest;
    for (std::size_t which = 0; which < computations_.size(); ++which) {
        digest.push_back(computations_[which].has_value());
        if (computations_[which]) DigestSettings(static_cast<int>(which), digest);
    }
    return digest;
}

std::vector<std::size_t> ScriptedSession::confirmedDialogSteps() const {
    std::vector<std::size_t> steps;
    for (std::size_t step = 0; step < steps_.size(); ++step)
        if (steps_[step].confirmsDialog) steps.push_back(step);
    return steps;
}

std::vector<sg::FunctionInstance**> ScriptedSession::instances() const {
    std::vector<sg::FunctionInstance**> result;
    for (const auto& computation : computations_) result.push_back(computation ? computation->instance() : nullptr);
    return result;
}

}  // namespace sgtest
