// Statement plans: a statement is read from the text once, and what the
// reading found (the phrases and verb of a command, the name and value text
// of an assignment) is kept by the place the statement starts. Later runs
// replay the plan instead of reading again. Only readings that depend on the
// text alone become plans: anything that evaluated or asked the word table
// while reading spoils the recording (SpoilPlan), and a replay looks the
// verb and targets up again whenever the word table changed.
#pragma once
#include <memory>
#include <string>

#include "core/Engine.h"
#include "core/EngineCaches.h"

namespace nokari {

// Whether the statement read so far may still become a plan.
bool StillPlannable(const TNokaBase& e);
// Keeps the command statement just read (its phrases on the word stack).
void RecordCommandPlan(TNokaBase& e);
// Keeps an assignment "名前は、値" starting at `start`.
void RecordAssignPlan(TNokaBase& e, const char* start, const std::string& name,
                      std::shared_ptr<const std::string> value, const char* end);
// Keeps an element assignment "名前#列#行は、値" (`name` with its keys).
void RecordElementPlan(TNokaBase& e, const char* start, const std::string& name,
                       std::shared_ptr<const std::string> value, const char* end);
// Keeps an item assignment "辞書の(キー)は、値" (owner phrases on the stack).
void RecordItemPlan(TNokaBase& e, const char* start, const std::string& item,
                    std::shared_ptr<const std::string> value, const char* end);
// Runs the plan of the statement starting at p; false when there is none.
bool ReplayPlan(TNokaBase& e, const char* p);

// Whether the run loop would do nothing between two statements but step
// the next: nothing on the word stack, no event waiting, no stop or
// debugger stop. The short ways that run a statement without a turn of the
// run loop (StepFollowing, TakeArgumentsOnEntry) ask this first, and then
// TakeBudgetStep: a step budget counts what they step as the run loop
// counts its steps, one each, and its last step is left to the run loop,
// which stops there. GiveStepBack returns the step when nothing was stepped.
inline bool NothingWaitsBetweenStatements(const TNokaBase& e) {
  return e.ArgStack.Count() == 0 && e.Events.empty() && !e.StopFlag && !e.LineStop;
}
inline bool TakeBudgetStep(TNokaBase& e) {
  if (!e.StepBudget) [[likely]] return true;
  if (e.StepBudget == 1) return false;
  --e.StepBudget;
  return true;
}
inline void GiveStepBack(TNokaBase& e) {
  if (e.StepBudget) ++e.StepBudget;
}
// A function whose first statement is 引数取得 alone (as nearly every one
// starts) takes its arguments as it is entered: called with the cursor on
// that statement, it runs the statement from its plan without a turn of the
// run loop, when that turn would do nothing else first (no event waiting,
// no debugger stop; a step budget counts it as a step). False, nothing
// done, otherwise. `soreAside`, when given, receives それ's old value
// (moved, not copied) before 引数取得 replaces it.
bool TakeArgumentsOnEntry(TNokaBase& e, std::string* soreAside = nullptr);

}  // namespace nokari
