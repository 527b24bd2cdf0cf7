// Counters behind the catalogue's step-fault hook (see step_faults.h).
#include "catalog/step_faults.h"

namespace dbs::catalog::fault {
namespace {
long gCountdown[static_cast<int>(Step::Count)] = {};
}

void FailStepAt(Step step, long n) { gCountdown[static_cast<int>(step)] = n; }

void ResetSteps() {
    for (long& c : gCountdown) c = 0;
}

#if defined(DBS_FAULT_INJECTION)
bool StepShouldFail(Step step) {
    long& c = gCountdown[static_cast<int>(step)];
    if (c <= 0) return false;
    return --c == 0;
}
#endif

}  // namespace dbs::catalog::fault
