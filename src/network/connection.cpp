#include "network/connection.h"

#include "data/command_tags.h"

namespace kestrova {

DataSet requestCommand(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid)
{
    const bool create = commandField == CommandField::NCreateRq;
    DataSet command;
    command.add(CommandTag::CommandField, Numbers{static_cast<double>(commandField)});
    command.add(create ? CommandTag::AffectedSopClassUid : CommandTag::RequestedSopClassUid, classUid);
    if (!instanceUid.empty())
        command.add(create ? CommandTag::AffectedSopInstanceUid : CommandTag::RequestedSopInstanceUid, instanceUid);
    return command;
}

Connection::Connection(std::string callingAeTitle, std::string peerHost)
    : callingAeTitle_(std::move(callingAeTitle)), peerHost_(std::move(peerHost))
{
}

std::uint16_t Connection::commandField() const
{
    const Attribute field = command_.attribute(CommandTag::CommandField);
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

void Connection::continueOnAssociationThread(AssociationWork work, WorkTiming timing, WorkKind kind)
{
    (timing == WorkTiming::BeforeResponse ? workBeforeResponse_ : workAfterResponse_) = {std::move(work), kind};
}

Connection::ScheduledWork Connection::takeAssociationWork(WorkTiming timing)
{
    return std::exchange(timing == WorkTiming::BeforeResponse ? workBeforeResponse_ : workAfterResponse_, ScheduledWork{});
}

void Connection::runAssociationWorkInPlace()
{
    for (const WorkTiming timing : {WorkTiming::BeforeResponse, WorkTiming::AfterResponse}) {
        if (const AssociationWork work = takeAssociationWork(timing).work) {
            if (const UiFollowUp followUp = work(*this))
                followUp();
        }
    }
}

void Connection::beginRequest(DataSet command, DataSetPtr request, std::string abstractSyntax)
{
    command_ = std::move(command);
    request_ = std::move(request);
    abstractSyntax_ = std::move(abstractSyntax);
    response_.reset();
    workBeforeResponse_ = {};
    workAfterResponse_ = {};
}

} // namespace kestrova
