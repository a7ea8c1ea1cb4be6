#pragma once
// One N-ACTION's printing, done away from the UI thread: the job holds its own copies of the
// objects it prints, of the settings, the caption lines and the LUT, all taken on the UI thread
// when the request came. It then lays out and prints on the association's thread beside other
// jobs, each film on a printer device of its own, while the UI thread and the store go on.

#include "core/configuration.h"
#include "core/lut_table.h"
#include "print_service/object_store.h"
#include "printing/printer_catalogue.h"
#include "render/film_page.h"
#include "render/film_to_print.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrova {

class PrintJob {
public:
    // On the UI thread. target is a stored film box or film session; printers outlives the job.
    PrintJob(const ObjectStore& store, const DataSetPtr& target, const Configuration& configuration,
             const LutState& lut, const PrinterCatalogue& printers);

    // On the job's thread: prints and returns the N-ACTION status. A film that fails is logged
    // under "DoPrint" and answered Processing Failure; a film session prints its film boxes in
    // creation order, and without one is answered "no film box".
    std::uint16_t print();
    // Once printed: the pages of the films printed, in order.
    const std::vector<std::shared_ptr<const FilmPage>>& printedPages() const { return printed_; }

private:
    std::uint16_t printFilmSession(const DataSet& filmSession);
    bool printFilmBox(const DataSet& filmBox);

    CollectionPtr store_ = makeCollection();
    DataSetPtr target_;
    FilmJobSettings settings_;
    const PrinterCatalogue& printers_;
    std::vector<std::shared_ptr<const FilmPage>> printed_;
};

} // namespace kestrova
