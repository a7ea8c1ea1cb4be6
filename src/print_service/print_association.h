#pragma once
// One association as the print service serves it: it owns the objects the association
// creates, which only it can find, and removes them when the association ends, with the pixel
// data they held on its account of the service's budget. Each request is handled on the
// association's thread: the store's part under the service's lock, decoding and printing
// outside it.

#include "network/dicom_service.h"
#include "print_service/object_requests.h"
#include "print_service/object_store.h"
#include "print_service/pixel_budget.h"

namespace kestrova {

class ServiceState;

class PrintAssociation final : public AssociationHandler {
public:
    // The calling AE title names the requester in the list of films printed; the called one
    // chooses the printer it prints on and whose Printer instance it sees.
    PrintAssociation(ServiceState& service, AssociationInfo association);
    // Removes every object the association created, with what hangs from it.
    ~PrintAssociation() override;
    PrintAssociation(const PrintAssociation&) = delete;
    PrintAssociation& operator=(const PrintAssociation&) = delete;

    // A failure is logged under "NormalisedReceived" and answered with its status; it loses only
    // the failing request's own work. Refusals for want of memory go to the DICOM log as well.
    Response handle(const Request& request) override;

private:
    Response dispatch(const Request& request);
    Response get(const Request& request);
    DataSetPtr printerInstance() const;
    DataSetPtr printerConfigurationInstance() const;
    Response set(const Request& request);
    Response print(const Request& request);
    void prepare(const ArrivedImage& arrived, const PixelBounds& largestPicture);

    ServiceState& service_;
    AssociationInfo association_;
    PixelAccount pixels_;         // outlives the objects holding on it
    ObjectStore objects_{pixels_}; // under the service's lock
};

} // namespace kestrova
