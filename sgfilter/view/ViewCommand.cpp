// sgfilter view: a recording, its computed channels and the module's own settings dialog, in a
// browser, served from this machine to this machine.
#include <fmt/format.h>

#include <csignal>
#include <memory>
#include <thread>

#include "cli/Commands.h"
#include "cli/AnnotationsOption.h"
#include "cli/ModuleOption.h"
#include "formats/InputFormats.h"
#include "view/OpenInBrowser.h"
#include "view/PageFiles.h"
#include "view/ViewServer.h"

namespace sgf {

namespace {

struct ViewJob {
    ViewOptions options;
    SaveTarget save;
    int port = 0;
    bool noOpen = false;
};

const char* const kFooter = R"(
The address holds a token that the server asks of every request; it listens on 127.0.0.1 only.
Ctrl-C ends it.

Exit status: 0 ended by Ctrl-C, 1 failed (bad recording, port in use, module trouble), 2 bad
command line.)";

void runView(const ViewJob& job) {
    ViewSession session(job.options);
    // From here Ctrl-C and a request to terminate are waited for rather than handled: the
    // server's threads start with both blocked, and this thread takes them in turn.
    sigset_t endings;
    sigemptyset(&endings);
    sigaddset(&endings, SIGINT);
    sigaddset(&endings, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endings, nullptr);
    ViewServer server(session, job.port, pageFiles(), job.save);
    std::thread serving([&server] { server.run(); });
    fmt::print("sgfilter view: {}\n", server.address());
    std::fflush(stdout);
    if (!job.noOpen && !openInBrowser(server.address())) {
        fmt::print("open that address in a browser on this machine\n");
        std::fflush(stdout);
    }
    int signal = 0;
    sigwait(&endings, &signal);
    server.stop();
    serving.join();
    fmt::print("sgfilter view: stopped\n");
}

}  // namespace

void addViewCommand(CLI::App& application) {
    CLI::App* command = application.add_subcommand(
        "view", "Show a recording and computed channels in a browser, with the module's settings dialog");
    auto job = std::make_shared<ViewJob>();
    command->add_option("recording", job->options.input, fmt::format("A recording ({})", formatNames()))
        ->required()
        ->type_name("RECORDING");
    command->add_option("--port", job->port, "Port on 127.0.0.1 (default: a free one)")
        ->check(CLI::Range(0, 65535))
        ->type_name("PORT");
    command->add_flag("--no-open", job->noOpen, "Only print the address; do not ask the desktop to open it");
    command->add_option("--block-size", job->options.samplesPerBlock, "Samples per host block (default: 8192, or as filter where those are too many)")
        ->check(CLI::Range(1, 32767))
        ->type_name("N");
    command->add_option("--save-to", job->save.folder,
                        "Folder where Save writes (default: the recording's); a file is never replaced: Save "
                        "writes REC-sg.EXT, or REC-sg-2.EXT, -3, ... where that name is taken")
        ->check(CLI::ExistingDirectory)
        ->type_name("DIR");
    addModuleOption(*command, job->options.module);
    addAnnotationsOption(*command, job->options.annotations);
    command->footer(kFooter);
    command->callback([command, job] {
        job->options.scratch = std::filesystem::temp_directory_path();
        job->options.moduleNamed = command->get_option("--module")->count() > 0;
        runView(*job);
    });
}

}  // namespace sgf
