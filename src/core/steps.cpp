#include "steps.h"

#include "error_log.h"
#include "errors.h"

namespace kestrova {

bool trapAndLog(const std::string& label, const Step& body)
{
    try {
        body();
        return true;
    } catch (...) {
        const ErrorInfo error = currentErrorInfo();
        LogError(error.number, error.description, label);
        return false;
    }
}

void runSteps(const std::string& label, std::initializer_list<Step> steps)
{
    for (const Step& step : steps)
        trapAndLog(label, step);
}

void ignoreErrors(std::initializer_list<Step> steps)
{
    for (const Step& step : steps) {
        try {
            step();
        } catch (...) {
        }
    }
}

} // namespace kestrova
