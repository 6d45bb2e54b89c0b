// Saving the computed channels: `sgfilter filter` itself runs as a child process with the words
// of the command the page shows, so the file's bytes are the command's by construction. The child
// writes into a folder of its own inside the target folder; only a finished file leaves it, under
// the first free name of `<stem>.<ext>`, `<stem>-2.<ext>`, ... and never over a file, even one
// that appeared while it ran. Cancelling ends the child and removes its folder. One save at a time.
#pragma once

#include <nlohmann/json.hpp>
#include <sys/types.h>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "view/FilterCommandLine.h"

namespace sgf {

struct SavePlan {
    std::filesystem::path program;  // sgfilter
    std::filesystem::path folder;
    std::string stem;       // the file's name before "-K" and the extension
    std::string extension;  // with its dot
    // The command that writes the channels into `output`.
    std::function<FilterCommandLine(const std::string& output)> commandFor;
    // Words the child runs with beyond the command's (the module the view uses).
    std::vector<std::string> extraWords;
};

struct SaveStarted {
    std::string file;     // its name in the folder, as it stands when the save starts
    std::string command;  // the command's text, writing `file`
};

class SaveJob {
public:
    SaveJob() = default;
    // Cancels a running save.
    ~SaveJob();
    SaveJob(const SaveJob&) = delete;
    SaveJob& operator=(const SaveJob&) = delete;

    // Starts the child. Throws RequestConflict while a save runs, std::runtime_error when the
    // child cannot be started.
    SaveStarted start(const SavePlan& plan);
    // Waits until the started child has read the recording and accepted the job. Throws
    // UsageError with filter's own message where it refused, RequestConflict where the save
    // was cancelled first.
    void awaitAccepted();
    bool running();
    // {"state": "none" | "running" | "done" | "failed" | "cancelled", "file", "progress", "error"}.
    nlohmann::json state();
    // Ends the running child and waits until its folder is gone. Throws RequestConflict when no save runs.
    void cancel();
    // Cancels a running save, if one runs.
    void stop();

private:
    enum class State { none, running, done, failed, cancelled };
    // Follows the child's progress and what it says until it ends, then puts its file in place
    // or removes it.
    void watch(pid_t child, int errors, int progress);

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::none;
    bool accepted_ = false;
    bool cancelling_ = false;
    pid_t child_ = -1;  // while running; reaped only under mutex_, so a signal never reaches another process
    double progress_ = 0;
    std::string error_;
    std::string file_;
    SavePlan plan_;
    std::filesystem::path ownFolder_;  // where the child writes
    std::filesystem::path written_;    // the child's output in it
    std::thread watcher_;
};

// Moves `from` to the first free name `<stem><ext>`, `<stem>-2<ext>`, ... in `folder`, never
// replacing a file. Returns the name taken. Throws std::runtime_error when it cannot.
std::string moveToFreeName(const std::filesystem::path& from, const std::filesystem::path& folder, const std::string& stem,
                           const std::string& extension);
// The first of those names that no file holds now.
std::string freeName(const std::filesystem::path& folder, const std::string& stem, const std::string& extension);

}  // namespace sgf
