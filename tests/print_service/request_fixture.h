#pragma once
// Drives the request handler directly, without a network, through a Connection.

#include "print_service/connection_objects.h"
#include "print_service/object_store.h"
#include "print_service/printer_instance.h"
#include "print_service/request_handler.h"
#include "network/connection.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"

#include "support/print_jobs.h"
#include "support/temp_folder.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrova::test {

DataSetPtr makeDataSet(std::initializer_list<std::pair<Tag, Value>> attributes);

class RequestFixture {
public:
    explicit RequestFixture(const std::string& metaSopClass = SopClass::BasicGrayscalePrintManagementMeta);

    // Sends one request on the given connection (the fixture's own by default).
    std::optional<PendingResponse> send(std::uint16_t commandField, const std::string& classUid,
                                        const std::string& instanceUid, DataSetPtr request = nullptr,
                                        Connection* on = nullptr);

    std::string createSession(Connection* on = nullptr);
    // Creates a film box for the session and returns its response data set.
    DataSetPtr createFilmBox(const std::string& sessionUid, const std::string& format, Connection* on = nullptr);

    std::string errorLog() const { return folder.errorLog(); }

    TempProgramFolder folder;
    ObjectStore store;
    Connection connection;
    std::string metaSopClass;
    std::vector<std::string> printed; // UIDs handed to the print action
    std::uint16_t printStatus = 0;
    // Prints what an N-ACTION hands over and gives its status; unset, printStatus answers.
    std::function<std::uint16_t(const DataSetPtr&)> print;
};

} // namespace kestrova::test
