#pragma once
// One N-ACTION's printing. What its films need is taken from the store under the service's
// lock (attributes copied, pictures shared); the films are then printed on the association's
// thread outside the lock, beside other associations' jobs, on a printer device of the job's own,
// each film in a print slot of its own.

#include "core/errors.h"
#include "print_service/object_store.h"
#include "print_service/service_state.h"
#include "printing/printer_device.h"

#include <string>
#include "render/film_to_print.h"

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace kestrova {

class PrintJob {
public:
    // Under the lock: the film box, or every film box of the session in creation order.
    static PrintJob ofFilmBox(const ObjectStore& store, const FilmBox& filmBox);
    static PrintJob ofFilmSession(const ObjectStore& store, const FilmSession& session);

    // Outside the lock: prints each film as a page, each while it holds a print slot and, for its
    // page's pictures as pixels, room on the association's pixel account; reports each page
    // printed to the service, which lists it as a film for the calling AE title. Returns the
    // N-ACTION's status: 0x0110 when any film failed (each failure logged under "DoPrint";
    // nothing of that film is printed), else 0xC603 when an image was larger than its image box
    // and asked to be neither decimated nor cropped (logged under "DoPrint"; that film is not
    // printed), else 0x0213 when the budget had no room for a page (logged under "DoPrint" and in
    // the DICOM log; that film is not printed), 0xC600 for a session without a film box.
    // A printer that cannot be opened (a queue removed since the service started) fails every
    // film: 0x0110, logged under "DoPrint".
    std::uint16_t print(const FilmJobSettings& settings, ServiceState& service, PixelAccount& pixels,
                        const std::string& callingAeTitle) const;

private:
    // A film as it was taken, or why it could not be.
    using Film = std::variant<FilmToPrint, AppError>;

    std::vector<Film> films_;
    bool ofSession_ = false;
};

} // namespace kestrova
