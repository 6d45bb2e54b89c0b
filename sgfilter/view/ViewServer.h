// The web server of `sgfilter view`. It listens on the loopback address only, and answers only
// requests whose path starts with a random token that it puts in the page's address, and whose
// Host header names the loopback address (so a page of another site that renames itself to
// 127.0.0.1 through its own DNS reaches nothing). Requests may come in parallel; the session
// behind them is used by one at a time, as the host calls the module one call at a time. Between
// requests the session prepares, a block at a time, what a trace of the whole recording needs.
#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "view/SaveJob.h"
#include "view/ViewSession.h"
#include "view/WebDialog.h"

namespace sgf {

// A file of the page: its media type and its bytes, built into the program.
struct PageFile {
    std::string_view type;
    std::string_view bytes;
};
// By name below the token; "index.html" is also the page at the address itself.
using PageFiles = std::map<std::string, PageFile, std::less<>>;

// Where Save writes and what it runs.
struct SaveTarget {
    std::filesystem::path program = "/proc/self/exe";  // sgfilter, which runs the filter command
    std::filesystem::path folder;                        // empty: the recording's folder
};

class ViewServer {
public:
    // Binds 127.0.0.1:`port` (0: a free port). Throws std::runtime_error when it cannot.
    ViewServer(ViewSession& session, int port, PageFiles page = {}, SaveTarget saveTarget = {});
    ~ViewServer();
    ViewServer(const ViewServer&) = delete;
    ViewServer& operator=(const ViewServer&) = delete;

    int port() const { return port_; }
    const std::string& token() const { return token_; }
    // The page's address, token included.
    std::string address() const;
    // Answers requests until stop() is called, from any thread. Stopping cancels an open dialog
    // and a running save.
    void run();
    void stop();

private:
    bool admits(const httplib::Request& request) const;
    void addRoutes();
    void addDialogRoutes();
    void addSaveRoutes();
    // Refuses requests that need the module while its settings dialog holds it.
    void requireNoDialog() const;
    // The session for a request that calls the module, refused while the dialog holds it.
    std::unique_lock<std::mutex> useSessionWithoutDialog();
    // The session for one request: idle work gives way to it.
    std::unique_lock<std::mutex> useSession();
    // The session's channels changed: idle work has more to do.
    void wakeIdleWork();
    void prepareWhileIdle();

    ViewSession& session_;
    PageFiles page_;
    SaveTarget saveTarget_;
    std::mutex sessionUse_;
    httplib::Server server_;
    std::string token_;
    int port_ = 0;
    std::shared_ptr<WebDialog> dialog_ = std::make_shared<WebDialog>();
    std::thread dialogCall_;  // the module's call for the dialog, while it runs
    std::atomic<bool> dialogOpen_ = false;
    std::atomic<bool> running_ = false;   // within run()
    std::atomic<bool> stopRequested_ = false;
    std::atomic<int> waitingRequests_ = 0;
    std::mutex idleState_;
    std::condition_variable idleWake_;
    uint64_t wakes_ = 1;    // by wakeIdleWork
    uint64_t settled_ = 0;  // the last wake after which idle work found nothing left
    bool stopping_ = false;
    // Which dialog is open, for a page that loads while it is: held while one opens, so a page
    // never sees a dialog claimed but not yet known.
    std::mutex dialogOpening_;
    int dialogChannel_ = 0;
    uint64_t dialogOpenedAfter_ = 0;  // the dialog's state version before it opened
    SaveJob save_;
    std::thread idleWork_;  // last: it starts once everything above is in place
};

// 128 random bits in hexadecimal.
std::string randomToken();

}  // namespace sgf
