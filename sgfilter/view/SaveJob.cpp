#include "view/SaveJob.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "util/Errors.h"
#include "view/RequestConflict.h"

namespace sgf {

namespace {

// filter's own message is a line or two; a child that says more is cut short.
constexpr std::size_t kMostErrorBytes = 16384;
// Where the child finds its progress pipe.
constexpr int kProgressDescriptor = 3;

std::string nameNumbered(const std::string& stem, const std::string& extension, int number) {
    return number == 1 ? stem + extension : fmt::format("{}-{}{}", stem, number, extension);
}

[[noreturn]] void failWith(const std::string& action) {
    throw std::runtime_error(fmt::format("cannot {}: {}", action, std::strerror(errno)));
}

struct Pipe {
    int read = -1;
    int write = -1;
};

// Both ends close at exec: the child gets only the copies its file actions make.
Pipe openPipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) failWith("open a pipe to sgfilter filter");
    return {ends[0], ends[1]};
}

void closeDescriptor(int& descriptor) {
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
}

pid_t spawnChild(const std::filesystem::path& program, const std::vector<std::string>& words, int errors, int progress) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, progress, kProgressDescriptor);
    // Nothing of the server's (its sockets above all) reaches the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, kProgressDescriptor + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The server's threads block the signals that end it; the child takes them as a program does.
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) sigaddset(&signals, signal);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    // A process group of its own: Ctrl-C at the terminal ends the server, which then ends the
    // child and removes what it wrote, rather than reaching the child first.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    std::vector<std::string> arguments{program.string()};
    arguments.insert(arguments.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int error = ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        errno = error;
        failWith(fmt::format("run {}", program.string()));
    }
    return child;
}

// sgfilter's last word on standard error is its reason, after "sgfilter: ".
std::string reasonOf(std::string errors, int status) {
    while (!errors.empty() && (errors.back() == '\n' || errors.back() == ' ')) errors.pop_back();
    const std::size_t lineStart = errors.rfind('\n');
    std::string reason = lineStart == std::string::npos ? errors : errors.substr(lineStart + 1);
    if (reason.starts_with("sgfilter: ")) reason.erase(0, 10);
    if (!reason.empty()) return reason;
    if (WIFSIGNALED(status)) return fmt::format("sgfilter filter ended by signal {}", WTERMSIG(status));
    return fmt::format("sgfilter filter failed (exit status {})", WEXITSTATUS(status));
}

}  // namespace

std::string freeName(const std::filesystem::path& folder, const std::string& stem, const std::string& extension) {
    for (int number = 1;; ++number) {
        const std::string name = nameNumbered(stem, extension, number);
        std::error_code error;
        // A dangling link holds its name too.
        if (!std::filesystem::exists(std::filesystem::symlink_status(folder / name, error))) return name;
    }
}

std::string moveToFreeName(const std::filesystem::path& from, const std::filesystem::path& folder, const std::string& stem,
                           const std::string& extension) {
    for (int number = 1; number <= 100000; ++number) {
        const std::string name = nameNumbered(stem, extension, number);
        const std::filesystem::path target = folder / name;
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return name;
        if (errno == EEXIST) continue;
        if (errno != EINVAL && errno != ENOSYS) failWith(fmt::format("move the saved file to {}", target.string()));
        // A file system that cannot rename without replacing: a link is refused on a taken name as well.
        if (::link(from.c_str(), target.c_str()) == 0) {
            ::unlink(from.c_str());
            return name;
        }
        if (errno != EEXIST) failWith(fmt::format("link the saved file to {}", target.string()));
    }
    throw std::runtime_error(fmt::format("no free name for {}{} in {}", stem, extension, folder.string()));
}

SaveJob::~SaveJob() {
    stop();
    if (watcher_.joinable()) watcher_.join();
}

SaveStarted SaveJob::start(const SavePlan& plan) {
    std::unique_lock lock(mutex_);
    if (state_ == State::running) throw RequestConflict("a save runs already; wait for it to end or cancel it");
    // The last save's watcher has nothing left to do but return.
    if (watcher_.joinable()) watcher_.join();
    plan_ = plan;
    file_ = freeName(plan.folder, plan.stem, plan.extension);
    const std::string command = plan.commandFor(file_).text();
    std::string pattern = (plan.folder / fmt::format(".{}.saving-XXXXXX", file_)).string();
    if (::mkdtemp(pattern.data()) == nullptr) failWith(fmt::format("make a folder in {}", plan.folder.string()));
    ownFolder_ = pattern;
    written_ = ownFolder_ / ("saving" + plan.extension);
    std::vector<std::string> words = plan.commandFor(written_.string()).words();
    words.insert(words.end(), plan.extraWords.begin(), plan.extraWords.end());
    words.insert(words.end(), {"--progress-fd", std::to_string(kProgressDescriptor)});
    Pipe errors;
    Pipe progress;
    try {
        errors = openPipe();
        progress = openPipe();
        child_ = spawnChild(plan.program, words, errors.write, progress.write);
    } catch (...) {
        for (int* end : {&errors.read, &errors.write, &progress.read, &progress.write}) closeDescriptor(*end);
        std::error_code ignored;
        std::filesystem::remove_all(ownFolder_, ignored);
        throw;
    }
    closeDescriptor(errors.write);
    closeDescriptor(progress.write);
    state_ = State::running;
    accepted_ = false;
    cancelling_ = false;
    progress_ = 0;
    error_.clear();
    watcher_ = std::thread([this, child = child_, errors, progress] { watch(child, errors.read, progress.read); });
    return {file_, command};
}

void SaveJob::watch(pid_t child, int errors, int progress) {
    std::string said;
    std::string partLine;
    pollfd ends[2] = {{errors, POLLIN, 0}, {progress, POLLIN, 0}};
    for (int open = 2; open > 0;) {
        if (::poll(ends, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (pollfd& end : ends) {
            if (end.fd < 0 || end.revents == 0) continue;
            char bytes[4096];
            const ssize_t count = ::read(end.fd, bytes, sizeof bytes);
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) {
                closeDescriptor(end.fd);
                --open;
                continue;
            }
            if (end.fd == errors) {
                said.append(bytes, std::min(static_cast<std::size_t>(count), kMostErrorBytes - std::min(said.size(), kMostErrorBytes)));
                continue;
            }
            partLine.append(bytes, static_cast<std::size_t>(count));
            double share = -1;
            for (std::size_t lineEnd; (lineEnd = partLine.find('\n')) != std::string::npos; partLine.erase(0, lineEnd + 1)) {
                share = std::strtod(partLine.substr(0, lineEnd).c_str(), nullptr);
            }
            if (share < 0) continue;
            const std::lock_guard lock(mutex_);
            progress_ = std::clamp(share, 0.0, 1.0);
            accepted_ = true;
            changed_.notify_all();
        }
    }
    for (pollfd& end : ends) closeDescriptor(end.fd);
    // Waited for without reaping: until the mutex is held, the child's number stays its own for cancel().
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    std::unique_lock lock(mutex_);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    State outcome = State::cancelled;
    if (!cancelling_ && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        try {
            file_ = moveToFreeName(written_, plan_.folder, plan_.stem, plan_.extension);
            outcome = State::done;
        } catch (const std::exception& problem) {
            error_ = problem.what();
            outcome = State::failed;
        }
    } else if (!cancelling_) {
        error_ = reasonOf(said, status);
        outcome = State::failed;
    }
    std::error_code ignored;
    std::filesystem::remove_all(ownFolder_, ignored);
    state_ = outcome;
    changed_.notify_all();
}

void SaveJob::awaitAccepted() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return accepted_ || state_ != State::running; });
    if (accepted_) return;
    if (state_ == State::cancelled) throw RequestConflict("the save was cancelled");
    throw UsageError(error_);
}

bool SaveJob::running() {
    const std::lock_guard lock(mutex_);
    return state_ == State::running;
}

nlohmann::json SaveJob::state() {
    static constexpr const char* kNames[] = {"none", "running", "done", "failed", "cancelled"};
    const std::lock_guard lock(mutex_);
    nlohmann::json state{{"state", kNames[static_cast<int>(state_)]}};
    if (state_ == State::none) return state;
    state["file"] = file_;
    if (state_ == State::running) state["progress"] = progress_;
    if (state_ == State::failed) state["error"] = error_;
    return state;
}

void SaveJob::cancel() {
    std::unique_lock lock(mutex_);
    if (state_ != State::running) throw RequestConflict("no save runs");
    cancelling_ = true;
    ::kill(child_, SIGKILL);
    changed_.wait(lock, [this] { return state_ != State::running; });
}

void SaveJob::stop() {
    try {
        cancel();
    } catch (const RequestConflict&) {
        // Nothing runs.
    }
}

}  // namespace sgf
