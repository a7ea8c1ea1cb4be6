#pragma once
// Failures a test arranges for a recording device, so that the failure paths of the code
// that prints can be driven: a call fails with the error given once it has succeeded the
// number of times given, and keeps failing until the plan is cleared.

#include "core/errors.h"

#include <map>

namespace kestrova::test {

template <typename Call>
class FailurePlan {
public:
    void failAfter(Call call, int successes, ErrorCode code) { rules_[call] = Rule{successes, code}; }
    void clear() { rules_.clear(); }

    // Called at the start of every recorded call: raises when the plan says so.
    void check(Call call)
    {
        const auto rule = rules_.find(call);
        if (rule == rules_.end())
            return;
        if (rule->second.successesLeft > 0) {
            --rule->second.successesLeft;
            return;
        }
        raise(rule->second.code, "Injected failure: " + standardDescription(rule->second.code));
    }

private:
    struct Rule {
        int successesLeft = 0;
        ErrorCode code = ErrorCode::InvalidArgument;
    };
    std::map<Call, Rule> rules_;
};

} // namespace kestrova::test
