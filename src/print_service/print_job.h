#pragma once
// One N-ACTION's printing. What its films need is taken from the store under the service's
// lock (attributes copied, pictures shared); the films are then printed on the association's
// thread outside the lock, beside other associations' jobs, on a printer device of the job's own,
// each film in a print slot of its own.

#include "core/errors.h"
#include "print_service/object_store.h"
#include "print_service/service_state.h"
#include "printing/printer_device.h"
#include "render/film_to_print.h"

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace kestrova {

struct FilmPage;

class PrintJob {
public:
    // Under the lock: the film box, or every film box of the session in creation order.
    static PrintJob ofFilmBox(const ObjectStore& store, const FilmBox& filmBox);
    static PrintJob ofFilmSession(const ObjectStore& store, const FilmSession& session);

    // Outside the lock: prints each film as a page, each while it holds a print slot, reports each
    // page printed to the service, and returns the N-ACTION's status: 0x0110 when any film failed
    // (each failure logged under "DoPrint"; nothing of that film is printed), 0xC600 for a session
    // without a film box.
    std::uint16_t print(const FilmJobSettings& settings, PrinterDevice& printer, ServiceState& service) const;

private:
    // A film as it was taken, or why it could not be.
    using Film = std::variant<FilmToPrint, AppError>;

    bool printOne(const Film& film, const FilmJobSettings& settings, PrinterDevice& printer, ServiceState& service) const;

    std::vector<Film> films_;
    bool ofSession_ = false;
};

} // namespace kestrova
