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

namespace sgf {

namespace {

// Named with its character set, which also keeps httplib from compressing the answers (it
// compresses the bare media types it knows): on the loopback, compressing a trace takes longer
// than sending it.
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr std::size_t kServerThreads = 4;

// While the module's settings dialog runs, the host may make no other call into the module, so
// what needs one waits for the dialog to close; the page keeps what it has drawn meanwhile.
class DialogOpen : public std::runtime_error {
public:
    DialogOpen() : std::runtime_error("the settings dialog is open; close it first") {}
};

void answerJson(httplib::Response& response, const nlohmann::json& json) {
    response.set_content(json.dump(), kJson);
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

double numberParameter(const httplib::Request& request, const char* name) {
    if (!request.has_param(name)) throw UsageError(fmt::format("{} is missing", name));
    const std::string text = request.get_param_value(name);
    std::size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size()) throw UsageError(fmt::format("{} must be a number, not \"{}\"", name, text));
    return value;
}

int16_t channelNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > INT16_MAX) {
        throw UsageError(fmt::format("\"{}\" is not a channel number", text));
    }
    return static_cast<int16_t>(value);
}

TraceRequest traceRequestOf(const httplib::Request& request) {
    TraceRequest trace{{}, numberParameter(request, "from"), numberParameter(request, "to"), 0};
    const double columns = numberParameter(request, "columns");
    if (columns != std::floor(columns) || columns < 1 || columns > ViewSession::kMostColumns) {
        throw UsageError(fmt::format("columns must be a whole number from 1 to {}", ViewSession::kMostColumns));
    }
    trace.columns = static_cast<int>(columns);
    const std::string list = request.get_param_value("channels");
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        trace.channels.push_back(channelNumber(std::string_view(list).substr(start, comma - start)));
        start = comma + 1;
    }
    return trace;
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

FilterSettings settingsOf(const nlohmann::json& body) {
    FilterSettings settings;
    const auto take = [&](const char* name, int& field) {
        if (!body.contains(name)) return;
        if (!body[name].is_number_integer()) throw UsageError(fmt::format("{} must be a whole number", name));
        field = body[name].get<int>();
    };
    take("derivative", settings.derivative);
    take("order", settings.order);
    take("width", settings.width);
    take("range-index", settings.rangeIndex);
    return settings;
}

}  // namespace

std::string randomToken() {
    std::random_device device;
    std::string token;
    for (int word = 0; word < 4; ++word) token += fmt::format("{:08x}", static_cast<uint32_t>(device()));
    return token;
}

ViewServer::ViewServer(ViewSession& session, int port, PageFiles page)
    : session_(session), page_(std::move(page)), token_(randomToken()) {
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (admits(request)) return httplib::Server::HandlerResponse::Unhandled;
        answerError(response, 403, "refused");
        return httplib::Server::HandlerResponse::Handled;
    });
    server_.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const DialogOpen& problem) {
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
        if (dialogOpen_ || waitingRequests_ > 0) {
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
    if (dialogOpen_) throw DialogOpen();
}

std::string ViewServer::address() const { return fmt::format("http://127.0.0.1:{}/{}/", port_, token_); }

void ViewServer::addRoutes() {
    const std::string root = "/" + token_ + "/";
    server_.Get(root + "api/recording", [this](const httplib::Request&, httplib::Response& response) {
        requireNoDialog();
        const auto use = useSession();
        answerJson(response, session_.describe());
    });
    server_.Get(root + "api/trace", [this](const httplib::Request& request, httplib::Response& response) {
        const TraceRequest trace = traceRequestOf(request);
        requireNoDialog();
        const auto use = useSession();
        answerJson(response, traceJson(trace, session_.trace(trace)));
    });
    server_.Post(root + "api/computed", [this](const httplib::Request& request, httplib::Response& response) {
        const nlohmann::json body = nlohmann::json::parse(request.body);
        if (!body.is_object() || !body.contains("source") || !body["source"].is_number_integer()) {
            throw UsageError("give the source channel's number as \"source\"");
        }
        const int source = body["source"].get<int>();
        if (source < 1 || source > INT16_MAX) throw UsageError(fmt::format("there is no channel {}", source));
        const FilterSettings settings = settingsOf(body);
        requireNoDialog();
        const auto use = useSession();
        const int16_t channel = session_.addComputed(static_cast<int16_t>(source), settings);
        wakeIdleWork();
        answerJson(response, {{"channel", channel}, {"recording", session_.describe()}});
    });
    addDialogRoutes();
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
        const nlohmann::json body = nlohmann::json::parse(request.body);
        if (!body.is_object() || !body.contains("channel") || !body["channel"].is_number_integer()) {
            throw UsageError("give the computed channel's number as \"channel\"");
        }
        const int channel = body["channel"].get<int>();
        std::unique_lock opening(dialogOpening_);
        // Claimed before the session is waited for: the session is the open dialog's until it closes.
        bool wasOpen = false;
        if (!dialogOpen_.compare_exchange_strong(wasOpen, true)) throw DialogOpen();
        uint64_t before = 0;
        {
            const auto use = useSession();
            if (channel < 1 || channel > INT16_MAX || !session_.isComputed(static_cast<int16_t>(channel))) {
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
                    result = session_.runSettingsDialog(static_cast<int16_t>(channel), dialog_);
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
        const nlohmann::json body = nlohmann::json::parse(request.body);
        if (!body.is_object() || !body.contains("item") || !body["item"].is_number_integer()) {
            throw UsageError("give the item's number as \"item\"");
        }
        DialogHit hit{static_cast<int16_t>(std::clamp(body["item"].get<int>(), -1, static_cast<int>(INT16_MAX))), {}, {}};
        if (body.contains("value")) {
            if (!body["value"].is_number_integer()) throw UsageError("value must be a whole number");
            hit.value = static_cast<int16_t>(std::clamp(body["value"].get<int>(), -1, static_cast<int>(INT16_MAX)));
        }
        if (body.contains("text")) {
            if (!body["text"].is_string()) throw UsageError("text must be a string");
            hit.text = body["text"].get<std::string>();
            if (hit.text->size() > 255) throw UsageError("text holds at most 255 bytes");
        }
        const uint64_t before = dialog_->version();
        dialog_->hit(hit);
        answerJson(response, dialog_->stateAfter(before));
    });
}

void ViewServer::run() { server_.listen_after_bind(); }

void ViewServer::stop() {
    dialog_->abandon();
    server_.stop();
}

}  // namespace sgf
