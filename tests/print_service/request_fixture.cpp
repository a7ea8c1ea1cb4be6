#include "request_fixture.h"

namespace kestrova::test {

DataSetPtr makeDataSet(std::initializer_list<std::pair<Tag, Value>> attributes)
{
    auto dataSet = std::make_shared<DataSet>();
    for (const auto& [tag, value] : attributes)
        dataSet->add(tag, value);
    return dataSet;
}

RequestFixture::RequestFixture(const std::string& meta)
    : connection("TESTSCU", "127.0.0.1"), metaSopClass(meta)
{
    store.reset(PrinterDataset(Settings{"KODAK", 4006, "AGFA", "", "Tahoma", 10, 0, ""}));
    startCreatedObjects(connection);
}

std::optional<PendingResponse> RequestFixture::send(std::uint16_t commandField, const std::string& classUid,
                                                    const std::string& instanceUid, DataSetPtr request,
                                                    Connection* on)
{
    Connection& target = on ? *on : connection;
    target.beginRequest(requestCommand(commandField, classUid, instanceUid), std::move(request), metaSopClass);
    handleRequest(target, store, [this](const DataSetPtr& object) -> Connection::AssociationWork {
        return [this, object](Connection& connection) {
            printed.push_back(object->sopInstanceUid());
            connection.respond(print ? print(object) : printStatus);
            return Connection::UiFollowUp{};
        };
    });
    target.runAssociationWorkInPlace();
    return target.response();
}

std::string RequestFixture::createSession(Connection* on)
{
    const auto response = send(CommandField::NCreateRq, SopClass::BasicFilmSession, "", filmSessionAttributes(), on);
    return response && response->dataSet ? response->dataSet->sopInstanceUid() : std::string();
}

DataSetPtr RequestFixture::createFilmBox(const std::string& sessionUid, const std::string& format, Connection* on)
{
    const auto response = send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", filmBoxAttributes(format, sessionUid), on);
    return response ? response->dataSet : nullptr;
}

} // namespace kestrova::test
