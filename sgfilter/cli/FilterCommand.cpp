// sgfilter filter: the command-line options, and the stage syntax. The stage options may be
// given once per stage; --then closes one stage and opens the next, so
//   --channel pressure --width 21 --then --derivative 1
// smooths the pressure channel, then differentiates the smoothed result.
#include <fmt/format.h>

#include <charconv>
#include <map>
#include <memory>

#include "cli/AnnotationsOption.h"
#include "cli/Commands.h"
#include "cli/FilterJob.h"
#include "cli/ModuleOption.h"
#include "formats/InputFormats.h"
#include "recording/BlockPlan.h"
#include "stagesettings/SettingsFile.h"
#include "util/Errors.h"

namespace sgf {

namespace {

const std::string kStageGroup = "Stage settings (give them again after each --then)";

// Every occurrence of every stage option, in command-line order; CLI11 keeps the values of a
// repeated option in order and records the order in which options were given.
struct StageOptions {
    std::vector<std::string> channels;
    std::vector<int> derivatives;
    std::vector<int> orders;
    std::vector<int> widths;
    std::vector<int> rangeIndexes;
    std::vector<std::filesystem::path> settingsFiles;
    CLI::Option* computed = nullptr;
    CLI::Option* then = nullptr;
};

struct StageValues {
    std::optional<std::string> channel;
    bool computed = false;
    std::optional<int> derivative;
    std::optional<int> order;
    std::optional<int> width;
    std::optional<int> rangeIndex;
    std::optional<std::filesystem::path> settingsFile;

    // Defaults, then the settings file, then what the command line says.
    FilterSettings resolve() const {
        FilterSettings settings;
        if (settingsFile) applySettingsFile(*settingsFile, settings);
        if (channel) settings.channel = *channel;
        if (computed) settings.computed = true;
        if (derivative) settings.derivative = *derivative;
        if (order) settings.order = *order;
        if (width) settings.width = *width;
        if (rangeIndex) settings.rangeIndex = *rangeIndex;
        return settings;
    }
};

CLI::Validator settingValidator(const NumericSetting& setting) {
    return CLI::Validator(
        [setting](std::string& text) -> std::string {
            long long value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc() || end != text.data() + text.size()) return "must be a whole number, not " + text;
            const auto problem = settingProblem(setting, value);
            return problem ? *problem : std::string();
        },
        fmt::format("{}..{}", setting.low, setting.high));
}

template <class Value>
void addStageOption(CLI::App& command, const std::string& name, std::vector<Value>& values, const std::string& type,
                    const std::string& help) {
    command.add_option(name, values, help)->allow_extra_args(false)->type_name(type)->group(kStageGroup);
}

void addNumericOption(CLI::App& command, const NumericSetting& setting, std::vector<int>& values,
                      const std::string& help) {
    command.add_option("--" + std::string(setting.name), values, help)
        ->allow_extra_args(false)
        ->check(settingValidator(setting))
        ->group(kStageGroup);
}

template <class Value>
class Occurrences {
public:
    explicit Occurrences(const std::vector<Value>& values) : values_(values) {}
    const Value& next() { return values_.at(taken_++); }

private:
    const std::vector<Value>& values_;
    std::size_t taken_ = 0;
};

// Replays the options in the order given, and starts a new stage at each --then.
std::vector<FilterSettings> stagesFrom(const CLI::App& command, const StageOptions& options) {
    std::map<std::string, int> repeated;
    std::vector<StageValues> stages(1);
    Occurrences channels(options.channels);
    Occurrences derivatives(options.derivatives);
    Occurrences orders(options.orders);
    Occurrences widths(options.widths);
    Occurrences rangeIndexes(options.rangeIndexes);
    Occurrences files(options.settingsFiles);
    for (const CLI::Option* option : command.parse_order()) {
        const std::string name = option->get_name();
        if (option == options.then) {
            stages.emplace_back();
            repeated.clear();
            continue;
        }
        if (option->get_group() != kStageGroup) continue;
        if (++repeated[name] > 1) {
            throw UsageError(fmt::format("stage {} has {} twice; separate stages with --then", stages.size(), name));
        }
        StageValues& stage = stages.back();
        if (option == options.computed) {
            stage.computed = true;
        } else if (name == "--channel") {
            stage.channel = channels.next();
        } else if (name == "--derivative") {
            stage.derivative = derivatives.next();
        } else if (name == "--order") {
            stage.order = orders.next();
        } else if (name == "--width") {
            stage.width = widths.next();
        } else if (name == "--range-index") {
            stage.rangeIndex = rangeIndexes.next();
        } else if (name == "--settings") {
            stage.settingsFile = files.next();
        }
    }
    std::vector<FilterSettings> settings;
    for (const StageValues& stage : stages) settings.push_back(stage.resolve());
    return settings;
}

const char* const kFooter = R"(
Channels are named by their header name or by number: the file's channel columns are 1, 2, ...
in order, and the output of stage k is the channel after them. A stage without --channel reads
the file's first channel (stage 1) or the previous stage's output (later stages).

Example: smooth the pressure, then take the first derivative of the smoothed pressure:
  sgfilter filter rec.csv -o out.csv --channel pressure --order 3 --width 25 \
      --then --derivative 1 --order 3 --width 25 --plot out.svg

Exit status: 0 done, 1 failed (bad input, unwritable output, module trouble), 2 bad command line.)";

}  // namespace

void addFilterCommand(CLI::App& application) {
    CLI::App* command = application.add_subcommand(
        "filter", "Filter channels of a recording with the module, writing the results as CSV, EDF+ or BDF+");
    auto job = std::make_shared<FilterJob>();
    auto stages = std::make_shared<StageOptions>();

    command
        ->add_option("input", job->input,
                     fmt::format("Recording: {} (known by its first bytes where they tell, else by its "
                                 "extension; a WFDB record by its name alone too); a CSV has a header row, time in "
                                 "seconds, then one column per channel, headed \"name\" or \"name (units)\"; - "
                                 "reads standard input",
                                 formatNames()))
        ->required()
        ->type_name("FILE");
    command->add_option("-o,--output", job->output,
                        "File to write with time and each stage's output: EDF+ if named *.edf, BDF+ if *.bdf, "
                        "otherwise CSV; - writes CSV to standard output")
        ->required()
        ->type_name("FILE");
    command->add_option("--plot", job->plot, "SVG file to write: the first source and every output against time")
        ->type_name("FILE");
    command->add_flag("--keep-sources", job->keepSources,
                      "Also write the recorded channels the stages read, unchanged, each once and in file order, "
                      "before the stages' outputs (EDF to EDF and BDF to BDF keep their digital values)");
    command
        ->add_option("--block-size", job->samplesPerBlock,
                     fmt::format("Samples per host data block, of the fastest rate read (default {}, the most a "
                                 "block holds, in whole ticks where rates differ; at most {} blocks)",
                                 kDefaultSamplesPerBlock, kMostBlocks))
        ->check(CLI::Range(1, kMostSamplesPerBlock));
    command->add_flag("-v,--verbose,--timings", job->verbose,
                      "Print what was read and computed, and the time of each phase");
    command->add_option("--progress-fd", job->progressDescriptor,
                        "For a program that runs this one: write the share of the work done (0 to 1), a line "
                        "per block computed or written, to this open file descriptor; the first line, 0, once "
                        "the recording is read and the output can be written")
        ->check(CLI::NonNegativeNumber)
        ->type_name("FD");
    addModuleOption(*command, job->module);
    addAnnotationsOption(*command, job->annotations);

    addStageOption(*command, "--channel", stages->channels, "NAME|NUMBER", "Source channel");
    stages->computed = command->add_flag("--computed")
                           ->description("Read the source's computed values (an earlier stage's output)")
                           ->group(kStageGroup);
    addNumericOption(*command, kDerivativeSetting, stages->derivatives,
                     "0 smooth, 1 first derivative, 2 second derivative");
    addNumericOption(*command, kOrderSetting, stages->orders, "Order of the fitted polynomial");
    addNumericOption(*command, kWidthSetting, stages->widths, "Points in the window (odd)");
    addNumericOption(*command, kRangeIndexSetting, stages->rangeIndexes,
                     "Display range step of a derivative's output; larger is a narrower range");
    addStageOption(*command, "--settings", stages->settingsFiles, "FILE",
                   "JSON settings file; options of the same stage override it");
    stages->then = command->add_flag("--then")->description("Start the next stage")->group(kStageGroup);
    command->footer(kFooter);

    command->callback([command, job, stages] {
        if (job->output == "-" && job->plot == "-") throw UsageError("the output and the plot cannot both go to standard output");
        job->stages = stagesFrom(*command, *stages);
        runFilterJob(*job);
    });
}

}  // namespace sgf
