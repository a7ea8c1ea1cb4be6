#pragma once
// Drives associations' request handling directly, without a network: each request goes to a
// PrintAssociation, and the work it leaves for after its answer runs at once. Films print on a
// recording printer.

#include "data/print_tags.h"
#include "data/sop_classes.h"
#include "print_service/print_association.h"
#include "print_service/service_state.h"
#include "printing/testing/recording_printers.h"

#include "support/print_jobs.h"
#include "support/temp_folder.h"

#include <memory>
#include <string>

namespace kestrova::test {

DataSetPtr makeDataSet(std::initializer_list<std::pair<Tag, Value>> attributes);

class RequestFixture {
public:
    explicit RequestFixture(std::string metaSopClass = SopClass::BasicGrayscalePrintManagementMeta);

    // Sends one request on the given association (the fixture's own by default).
    kestrova::Response send(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                  DataSetPtr request = nullptr, AssociationHandler* on = nullptr);

    std::string createSession(AssociationHandler* on = nullptr);
    // Creates a film box for the session and returns its response data set.
    DataSetPtr createFilmBox(const std::string& sessionUid, const std::string& format, AssociationHandler* on = nullptr);
    // The UIDs of the image boxes a film box N-CREATE response lists.
    static std::vector<std::string> imageBoxesOf(const DataSetPtr& filmBox);

    // Jobs and images from now on are held within these.
    void setLimits(const Limits& limits);
    // Sets the image in the first image box of the film box; the N-SET's status.
    std::uint16_t setImage(const DataSetPtr& filmBox, const DataSetPtr& image, AssociationHandler* on = nullptr);
    std::uint16_t print(const DataSetPtr& filmBox, AssociationHandler* on = nullptr);
    std::string dicomLog() const { return log.text(log.entryCount()); }

    std::unique_ptr<AssociationHandler> openAssociation() { return std::make_unique<PrintAssociation>(state, AssociationInfo{"REQUESTER", "KESTROVA", "127.0.0.1"}); }
    std::size_t storedObjects()
    {
        const auto lock = state.lock();
        return state.storedObjects();
    }
    std::string errorLog() const { return folder.errorLog(); }

    TempProgramFolder folder;
    RecordingPrinters printers;
    DicomLog log;
    ServiceState state{printers, log};
    std::string metaSopClass;
    std::unique_ptr<AssociationHandler> association = openAssociation();
};

} // namespace kestrova::test
