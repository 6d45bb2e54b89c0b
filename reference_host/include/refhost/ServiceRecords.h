// What the module told the host through the general, parameter and progress services.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace refhost {

struct ParameterReport {
    uint32_t hostParameterId;  // the word that reached the host
    uint16_t parameter;        // the module's parameter number it stands for
    int32_t channel;
    int32_t value;             // as the word that reached the host
    bool flag;                 // reported through RecordParameterFlag
};

enum class ProgressEventKind { beginLongOperation, endLongOperation, state, step };
struct ProgressEvent {
    ProgressEventKind kind;
    int32_t value;  // the argument of SetProgressState or ReportProgress, else 0
};
using ProgressHook = std::function<void(const ProgressEvent&)>;

struct ResourceAccess {
    int16_t file;      // the file BeginResourceAccess made current
    int16_t previous;  // the file to make current again at the matching EndResourceAccess
};

struct ServiceRecords {
    std::vector<std::string> errorMessages;
    std::vector<ParameterReport> parameterReports;
    std::map<uint16_t, uint16_t> parameterIds;  // host id -> parameter number, as handed out
    int longOperationsBegun = 0;
    int longOperationsEnded = 0;
    int openLongOperations = 0;
    std::vector<int32_t> progressStates;
    int progressSteps = 0;
    int32_t lastProgressStep = 0;
    std::vector<int32_t> dataContextRequests;  // the argument of each GetDataAccessContext
    int nullDataContextsGiven = 0;
    int nullContextDataCalls = 0;              // data services called with the null context we gave
    std::vector<ResourceAccess> openResourceAccesses;
};

}  // namespace refhost
