// Test hook: make one chosen core step of the checked operations fail, so that every undo path can be driven.
//
// Compiled in with DBS_FAULT_INJECTION (the default build); otherwise every check is a constant false.
#pragma once

namespace dbs::catalog::fault {

enum class Step : int { SetTuple = 0, InsertIndex, DeleteIndex, DeleteSecondaryIndex, DeleteTuple, Count };

// The n-th call of `step` from now fails (1 = the next one); 0 turns the hook off for that step.
void FailStepAt(Step step, long n);
// Turns every step hook off.
void ResetSteps();

#if defined(DBS_FAULT_INJECTION)
bool StepShouldFail(Step step);
#else
inline bool StepShouldFail(Step) { return false; }
#endif

}  // namespace dbs::catalog::fault
