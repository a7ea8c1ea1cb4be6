#pragma once
// A request that cannot be carried out, with the status its requester is answered with.

#include "core/errors.h"

#include <cstdint>
#include <string>

namespace kestrova {

class RequestFailure : public AppError {
public:
    RequestFailure(std::uint16_t status, ErrorCode code, const std::string& description)
        : AppError(code, description), status_(status)
    {
    }
    std::uint16_t status() const { return status_; }

private:
    std::uint16_t status_;
};

} // namespace kestrova
