#include "view/ViewServer.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <random>
#include <regex>
#include <stdexcept>

#include "util/Errors.h"
#include "view/RequestConflict.h"
#include "view/RequestParsing.h"

namespace sgf {

namespace {

// Named with its character set, which also keeps httplib from compressing the answers (it
// compresses the bare media types it knows): on the loopback, compressing a trace takes longer
// than sending it.
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr std::size_t kServerThreads = 4;

// Far more than any of the page's requests holds.
constexpr std::size_t kMostBodyBytes = 65536;

// While the module's settings dialog runs, the host may make no other call into the module, so
// what needs one waits for the dialog to close; the page keeps what it has drawn meanwhile.
RequestConflict dialogOpen() { return RequestConflict("the settings dialog is open; close it first"); }

void answerJson(httplib::Response& response, const nlohmann::json& json) {
    // A request's bytes quoted in a message need not be UTF-8.
    response.set_content(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kJson);
}

const char* outputExtension(const nlohmann::json& body) {
    const auto format = body.find("format");
    if (format != body.end() && format->is_string()) {
        for (const char* known : {"edf", "bdf", "csv"}) {
            if (*format == known) return known;
        }
    }
    throw UsageError("give the format as \"format\": \"edf\", \"bdf\" or \"csv\"");
}

void answerError(httplib::Response& response, int status, const std::string& message) {
    response.status = status;
    answerJson(response, {{"error", message}});
}

// Compares in a time that does not depend on where the texts first differ.
bool sameSecret(std::string_view given, std::string_view secret) {
    if (given.size() != secret.size()) return false;
    unsigned difference = 0;
    for (std::size_t index = 0; index < secret.size(); ++index) difference |= static_cast<unsigned>(given[index] ^ secret[index]);
    return difference == 0;
}

nlohmann::json traceJson(const TraceRequest& request, const TraceTable& table) {
    nlohmann::json channels = nlohmann::json::array();
    for (std::size_t channel = 0; channel < request.channels.size(); ++channel) {
        nlohmann::json minimum = nlohmann::json::array();
        nlohmann::json maximum = nlohmann::json::array();
        for (const auto& value : table.minimum[channel]) minimum.push_back(value ? nlohmann::json(*value) : nlohmann::json());
        for (const auto& value : table.maximum[channel]) maximum.push_back(value ? nlohmann::json(*value) : nlohmann::json());
        channels.push_back({{"channel", request.channels[channel]}, {"min", std::move(minimum)}, {"max", std::move(maximum)}});
    }
    return {{"times", table.times}, {"channels", std::move(channels)}};
}

}  // namespace

std::string randomToken() {
    std::random_device device;
    std::string token;
    for (int word = 0; word < 4; ++word) token += fmt::format("{:08x}", static_cast<uint32_t>(device()));
    return token;
}

ViewServer::ViewServer(ViewSession& session, int port, PageFiles page, SaveTarget saveTarget)
    : session_(session), page_(std::move(page)), saveTarget_(std::move(saveTarget)), token_(randomToken()) {
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (admits(request)) return httplib::Server::HandlerResponse::Unhandled;
        answerError(response, 403, "refused");
        return httplib::Server::HandlerResponse::Handled;
    });
    server_.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const RequestConflict& problem) {
            answerError(response, 409, problem.what());
        } catch (const UsageError& problem) {
            answerError(response, 400, problem.what());
        } catch (const nlohmann::json::exception& problem) {
            answerError(response, 400, fmt::format("the request's JSON: {}", problem.what()));
        } catch (const std::exception& problem) {
            answerError(response, 500, problem.what());
        } catch (...) {
            answerError(response, 500, "unknown failure");
        }
    });
    // One person's browser asks a few things at a time, and the session answers one at a time;
    // a small pool keeps a 32-bit address space roomy. Each thread serves one connection until it
    // closes, so a connection kept open for a next request would hold a thread idle while the
    // browser's other connections wait for one (seconds, with a chart per channel): each closes
    // after its answer instead, which costs a loopback handshake.
    server_.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    server_.set_keep_alive_max_count(1);
    server_.set_payload_max_length(kMostBodyBytes);
    // What httplib refuses itself (an unknown address, a body too large) is told as the rest is.
    server_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return;
        const int status = response.status;
        answerError(response, status, status == 404 ? "there is nothing at this address"
                                      : status == 413 ? "the request's body is too large"
                                      : status == 414 ? "the request's address is too long"
                                                      : fmt::format("refused ({})", status));
    });
    addRoutes();
    port_ = port == 0 ? server_.bind_to_any_port("127.0.0.1") : (server_.bind_to_port("127.0.0.1", port) ? port : -1);
    if (port_ <= 0) throw std::runtime_error(fmt::format("cannot listen on 127.0.0.1:{}", port));
    idleWork_ = std::thread([this] { prepareWhileIdle(); });
}

bool ViewServer::admits(const httplib::Request& request) const {
    const std::string prefix = "/" + token_ + "/";
    if (request.path.size() < prefix.size() || !sameSecret(std::string_view(request.path).substr(0, prefix.size()), prefix)) {
        return false;
    }
    const std::string host = request.get_header_value("Host");
    return host == fmt::format("127.0.0.1:{}", port_) || host == fmt::format("localhost:{}", port_);
}

ViewServer::~ViewServer() {
    {
        const std::lock_guard idle(idleState_);
        stopping_ = true;
    }
    idleWake_.notify_all();
    dialog_->abandon();
    save_.stop();
    if (dialogCall_.joinable()) dialogCall_.join();
    idleWork_.join();
}

std::unique_lock<std::mutex> ViewServer::useSession() {
    ++waitingRequests_;
    std::unique_lock use(sessionUse_);
    --waitingRequests_;
    return use;
}

void ViewServer::wakeIdleWork() {
    {
        const std::lock_guard idle(idleState_);
        ++wakes_;
    }
    idleWake_.notify_all();
}

void ViewServer::prepareWhileIdle() {
    // Short enough that a request waits at most one block's work, long enough not to spin.
    constexpr auto kGiveWay = std::chrono::milliseconds(5);
    std::unique_lock idle(idleState_);
    while (!stopping_) {
        if (settled_ == wakes_) {
            idleWake_.wait(idle, [this] { return stopping_ || settled_ != wakes_; });
            continue;
        }
        // A save gets the machine's cores to itself.
        if (dialogOpen_ || waitingRequests_ > 0 || save_.running()) {
            idleWake_.wait_for(idle, kGiveWay);
            continue;
        }
        const uint64_t seen = wakes_;
        idle.unlock();
        bool more = false;
        {
            const std::lock_guard use(sessionUse_);
            try {
                more = session_.prepareNext();
            } catch (const std::exception&) {
                // The recording cannot be read here; the traces that need it say so.
            }
        }
        idle.lock();
        if (!more) settled_ = seen;
    }
}

void ViewServer::requireNoDialog() const {
    if (dialogOpen_) throw dialogOpen();
}

std::unique_lock<std::mutex> ViewServer::useSessionWithoutDialog() {
    requireNoDialog();
    auto use = useSession();
    // A dialog claimed while this request waited holds the session from here until it closes.
    requireNoDialog();
    return use;
}

std::string ViewServer::address() const { return fmt::format("http://127.0.0.1:{}/{}/", port_, token_); }

void ViewServer::addRoutes() {
    const std::string root = "/" + token_ + "/";
    server_.Get(root + "api/recording", [this](const httplib::Request&, httplib::Response& response) {
        const auto use = useSessionWithoutDialog();
        answerJson(response, session_.describe());
    });
    server_.Get(root + "api/trace", [this](const httplib::Request& request, httplib::Response& response) {
        const TraceRequest trace = traceRequestOf(request);
        const auto use = useSessionWithoutDialog();
        answerJson(response, traceJson(trace, session_.trace(trace)));
    });
    server_.Post(root + "api/computed", [this](const httplib::Request& request, httplib::Response& response) {
        const nlohmann::json body = jsonBody(request);
        const int16_t source = channelField(body, "source", "give the source channel's number as \"source\"");
        const FilterSettings settings = settingsOf(body);
        const auto use = useSessionWithoutDialog();
        const int16_t channel = session_.addComputed(source, settings);
        wakeIdleWork();
        answerJson(response, {{"channel", channel}, {"recording", session_.describe()}});
    });
    server_.Post(root + "api/computed/remove", [this](const httplib::Request& request, httplib::Response& response) {
        const int16_t channel = channelField(jsonBody(request), "channel", "give the computed channel's number as \"channel\"");
        const auto use = useSessionWithoutDialog();
        // The running save's command was built from the channels as they were.
        if (save_.running()) throw RequestConflict("a save runs; wait for it to end or cancel it");
        const std::vector<int16_t> removed = session_.removeComputed(channel);
        answerJson(response, {{"removed", removed}, {"recording", session_.describe()}});
    });
    addDialogRoutes();
    addSaveRoutes();
    for (const auto& [path, file] : page_) {
        // The page is at the address itself as well as under its name.
        for (const std::string& at : path == "index.html" ? std::vector<std::string>{"", path} : std::vector{path}) {
            server_.Get(root + std::regex_replace(at, std::regex(R"(\.)"), R"(\.)"),
                        [&file](const httplib::Request&, httplib::Response& response) {
                            response.set_content(file.bytes.data(), file.bytes.size(), std::string(file.type).c_str());
                        });
        }
    }
}

void ViewServer::addDialogRoutes() {
    const std::string root = "/" + token_ + "/";
    server_.Post(root + "api/dialog", [this](const httplib::Request& request, httplib::Response& response) {
        const int16_t channel = channelField(jsonBody(request), "channel", "give the computed channel's number as \"channel\"");
        std::unique_lock opening(dialogOpening_);
        // Claimed before the session is waited for: the session is the open dialog's until it closes.
        bool wasOpen = false;
        if (!dialogOpen_.compare_exchange_strong(wasOpen, true)) throw dialogOpen();
        uint64_t before = 0;
        {
            const auto use = useSession();
            if (!session_.isComputed(channel)) {
                dialogOpen_ = false;
                throw UsageError(fmt::format("channel {} is not a computed channel", channel));
            }
            if (dialogCall_.joinable()) dialogCall_.join();
            before = dialog_->version();
            dialogChannel_ = channel;
            dialogOpenedAfter_ = before;
            // The module's call runs until the dialog closes, holding the session all that time.
            dialogCall_ = std::thread([this, channel] {
                const std::lock_guard dialogUse(sessionUse_);
                nlohmann::json result;
                try {
                    result = session_.runSettingsDialog(channel, dialog_);
                } catch (const std::exception& problem) {
                    result = {{"confirmed", false}, {"channel", channel}, {"error", problem.what()}};
                }
                dialogOpen_ = false;
                wakeIdleWork();
                dialog_->closed(std::move(result));
            });
        }
        opening.unlock();
        answerJson(response, dialog_->stateAfter(before));
    });
    // A page that loads, or another tab, while a dialog is open takes it over from where it is.
    server_.Get(root + "api/dialog", [this](const httplib::Request&, httplib::Response& response) {
        int channel = 0;
        uint64_t openedAfter = 0;
        {
            const std::lock_guard opening(dialogOpening_);
            if (!dialogOpen_) return answerJson(response, {{"open", false}});
            channel = dialogChannel_;
            openedAfter = dialogOpenedAfter_;
        }
        nlohmann::json state = dialog_->stateAfter(openedAfter);
        state["channel"] = channel;
        answerJson(response, state);
    });
    server_.Post(root + "api/dialog/hit", [this](const httplib::Request& request, httplib::Response& response) {
        const DialogHit hit = dialogHitOf(jsonBody(request));
        const uint64_t before = dialog_->version();
        dialog_->hit(hit);
        answerJson(response, dialog_->stateAfter(before));
    });
}

void ViewServer::addSaveRoutes() {
    const std::string root = "/" + token_ + "/";
    server_.Post(root + "api/save", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string extension = std::string(".") + outputExtension(jsonBody(request));
        SaveStarted started;
        {
            const auto use = useSessionWithoutDialog();
            if (!session_.hasComputed()) throw UsageError("there is no computed channel to save");
            const ViewOptions& options = session_.options();
            const std::filesystem::path folder = !saveTarget_.folder.empty() ? saveTarget_.folder
                                                 : options.input.has_parent_path() ? options.input.parent_path()
                                                                                   : std::filesystem::path(".");
            std::vector<std::string> module;
            if (!options.moduleNamed) module = {"--module", options.module.string()};
            started = save_.start({saveTarget_.program, folder, session_.outputStem(), extension,
                                   [this](const std::string& output) { return session_.filterCommand(output); }, module});
        }
        save_.awaitAccepted();
        response.status = 202;
        answerJson(response, {{"file", started.file}, {"command", started.command}});
    });
    server_.Get(root + "api/save", [this](const httplib::Request&, httplib::Response& response) { answerJson(response, save_.state()); });
    server_.Post(root + "api/save/cancel", [this](const httplib::Request&, httplib::Response& response) {
        save_.cancel();
        answerJson(response, {{"state", "cancelled"}});
    });
}

void ViewServer::run() {
    running_ = true;
    if (!stopRequested_) server_.listen_after_bind();
    running_ = false;
}

void ViewServer::stop() {
    dialog_->abandon();
    save_.stop();
    // httplib's stop does nothing until it listens, so a stop that comes as run() starts waits
    // for the listening to begin; a run() that starts after this sees the stop and returns.
    stopRequested_ = true;
    while (running_ && !server_.is_running()) std::this_thread::yield();
    server_.stop();
}

}  // namespace sgf
