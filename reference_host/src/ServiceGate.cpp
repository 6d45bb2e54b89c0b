// What happens at the start of every host service, before the service does its work.
#include "refhost/ReferenceHost.h"

namespace refhost {

void detail::enterService(int index, std::span<const uint32_t> words) {
    ReferenceHost::active().enterService(index, words);
}

void ReferenceHost::enterService(int index, std::span<const uint32_t> words) {
    if (options_.traceCalls) trace_.record(index, services_.name(index), words);
    if (callDepth_ == 0) {
        misbehaviour_.record("host service " + std::to_string(index) + " (" + std::string(services_.name(index)) +
                             ") was called outside a call of Main1");
    }
    if (options_.relocationStress) memory_.relocateUnlocked();
    faults_.beforeService(index);
}

}  // namespace refhost
