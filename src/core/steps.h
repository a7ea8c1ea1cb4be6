#pragma once
// The error-handling policies of the program, written once.

#include <functional>
#include <initializer_list>
#include <string>

namespace kestrova {

using Step = std::function<void()>;

// Runs each step in order; a step that fails is logged under label and the next one runs.
void runSteps(const std::string& label, std::initializer_list<Step> steps);

// Runs body; a failure is logged under label and ends it. True when body finished.
bool trapAndLog(const std::string& label, const Step& body);

// Runs each step in order, ignoring every failure.
void ignoreErrors(std::initializer_list<Step> steps);

} // namespace kestrova
