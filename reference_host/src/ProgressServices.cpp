// BeginLongOperation, EndLongOperation, SetProgressState and ReportProgress: recorded, and passed
// to the progress hook so that a command-line host can draw a progress bar.
#include "Services.h"
#include "refhost/ReferenceHost.h"

namespace refhost {

namespace {

sg::HostWord beginLongOperation() {
    ReferenceHost& host = ReferenceHost::active();
    ++host.records().longOperationsBegun;
    ++host.records().openLongOperations;
    host.notifyProgress({ProgressEventKind::beginLongOperation, 0});
    return 0;
}

sg::HostWord endLongOperation() {
    ReferenceHost& host = ReferenceHost::active();
    ServiceRecords& records = host.records();
    ++records.longOperationsEnded;
    if (records.openLongOperations == 0) {
        host.misbehaviour().record("EndLongOperation without a matching BeginLongOperation");
    } else {
        --records.openLongOperations;
    }
    host.notifyProgress({ProgressEventKind::endLongOperation, 0});
    return 0;
}

sg::HostWord setProgressState(int32_t state) {
    ReferenceHost& host = ReferenceHost::active();
    host.records().progressStates.push_back(state);
    host.notifyProgress({ProgressEventKind::state, state});
    return 0;
}

sg::HostWord reportProgress(int32_t step) {
    ReferenceHost& host = ReferenceHost::active();
    ++host.records().progressSteps;
    host.records().lastProgressStep = step;
    host.notifyProgress({ProgressEventKind::step, step});
    return 0;
}

}  // namespace

void provideProgressServices(ServiceTable& table) {
    table.provide<sg::service::BeginLongOperation, &beginLongOperation>("BeginLongOperation");
    table.provide<sg::service::EndLongOperation, &endLongOperation>("EndLongOperation");
    table.provide<sg::service::SetProgressState, &setProgressState>("SetProgressState");
    table.provide<sg::service::ReportProgress, &reportProgress>("ReportProgress");
}

}  // namespace refhost
