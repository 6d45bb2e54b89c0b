// What the page's requests to `sgfilter view` say, read strictly: each reader throws UsageError
// naming what is wrong, so that no request, however malformed, reaches the session as anything
// but a value in range.
#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

#include "stagesettings/FilterSettings.h"
#include "view/ViewSession.h"
#include "view/WebDialog.h"

namespace sgf {

// The body as a JSON object.
nlohmann::json jsonBody(const httplib::Request& request);
// body[name], a whole number from `low` to `high`; `missing` is the message when it is absent or
// not a whole number.
int64_t wholeNumberField(const nlohmann::json& body, const char* name, int64_t low, int64_t high, const std::string& missing);
// body[name] as a channel number (1 to 32767); its absence is told with `missing`.
int16_t channelField(const nlohmann::json& body, const char* name, const std::string& missing);
// The settings of a new computed channel; absent ones are the module's defaults.
FilterSettings settingsOf(const nlohmann::json& body);
TraceRequest traceRequestOf(const httplib::Request& request);
DialogHit dialogHitOf(const nlohmann::json& body);

}  // namespace sgf
