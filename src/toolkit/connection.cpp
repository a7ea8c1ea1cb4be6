#include "toolkit/connection.h"

namespace kestrova {

namespace {
inline constexpr Tag CommandFieldTag{0x0000, 0x0100};
}

Connection::Connection(std::string callingAeTitle, std::string peerHost)
    : callingAeTitle_(std::move(callingAeTitle)), peerHost_(std::move(peerHost))
{
}

std::uint16_t Connection::commandField() const
{
    const Attribute field = command_.attribute(CommandFieldTag);
    return field.exists() && !field.isNull() ? static_cast<std::uint16_t>(field.asNumber()) : 0;
}

void Connection::respond(DataSetPtr dataSet, std::uint16_t status)
{
    response_ = PendingResponse{std::move(dataSet), status};
}

void Connection::respond(std::uint16_t status)
{
    if (response_)
        response_->status = status;
    else
        response_ = PendingResponse{nullptr, status};
}

void Connection::respondStatusOnly(std::uint16_t status) { response_ = PendingResponse{nullptr, status}; }

void Connection::beginRequest(DataSet command, DataSetPtr request, std::string abstractSyntax)
{
    command_ = std::move(command);
    request_ = std::move(request);
    abstractSyntax_ = std::move(abstractSyntax);
    response_.reset();
}

} // namespace kestrova
