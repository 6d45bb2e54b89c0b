// sgfilter settings: the module's own settings dialog for one channel, in the terminal or replayed
// from a script, saving what the module reports on OK as a settings file for `filter --settings`.
#include <fmt/format.h>

#include <memory>

#include "cli/Commands.h"
#include "cli/DialogScript.h"
#include "cli/ModuleOption.h"
#include "cli/SettingsJob.h"

namespace sgf {

namespace {

const char* const kSettingsFooter = R"(
The dialog is shown as text with its item numbers; type a number, and for a popup, text field or
control the new entry, text or position after it (e.g. "15 4"). 1 is OK, 2 Cancel.

--script replays the steps instead, separated by commas:
  ITEM        hit the item (1 OK, 2 Cancel, 9 and 10 the radio buttons)
  ITEM=VALUE  choose entry VALUE of a popup, or move a control to position VALUE, then hit it
  ITEM:TEXT   type TEXT into a text field, then hit it
A script that runs out cancels the dialog.

Channels are numbered as filter numbers them: the recording's columns 1, 2, ..., then the
output of each stage, so the filter of stage 1 of a recording with 2 channels is channel 3.
Without --input the channels are "Channel 1" to "Channel N".

If FILE exists the dialog opens with its settings. On OK the six settings the module reports
replace FILE; on Cancel FILE stays as it was.

Example: differentiate channel 1 with order 4 and width 21, as stage 1 of a 2-channel recording:
  sgfilter settings --input rec.csv --channel 3 --settings d.json --script "6=1,13=2,15=3,17:21,1"
  sgfilter filter rec.csv -o out.csv --settings d.json

Exit status: 0 saved or cancelled, 1 failed (bad file, module trouble), 2 bad command line.)";

}  // namespace

void addSettingsCommand(CLI::App& application) {
    CLI::App* command = application.add_subcommand(
        "settings", "Edit a channel's filter in the module's settings dialog and save it as a settings file");
    auto job = std::make_shared<SettingsJob>();
    auto script = std::make_shared<std::string>();

    command->add_option("--channel", job->channel, "The channel whose filter the dialog edits")
        ->required()
        ->type_name("N")
        ->check(CLI::Range(1, static_cast<int>(INT16_MAX)));
    command->add_option("--settings", job->settingsFile, "JSON settings file to open with and to save")
        ->required()
        ->type_name("FILE");
    CLI::Option* scriptOption =
        command->add_option("--script", *script, "Steps to replay instead of asking, e.g. \"15=4,17:21,1\"")
            ->type_name("STEPS");
    command->add_option("--input", job->input, "CSV recording whose channels the dialog offers (its header row)")
        ->check(CLI::ExistingFile)
        ->type_name("RECORDING.csv");
    addModuleOption(*command, job->module);
    command->footer(kSettingsFooter);

    command->callback([job, script, scriptOption] {
        if (scriptOption->count() > 0) job->script = parseDialogScript(*script);
        runSettingsJob(*job);
    });
}

}  // namespace sgf
