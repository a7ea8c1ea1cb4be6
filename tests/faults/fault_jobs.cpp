#include "fault_jobs.h"

#include "toolkit/dimse_status.h"

namespace kestrova::test {

JobOutcome printOneFilm(TestScu& scu, int port)
{
    JobOutcome outcome;
    ConnectOptions options;
    // Sanitizer builds and a busy machine print slowly; the default would cut a queued job.
    options.dimseTimeoutSeconds = 60;
    outcome.connected = scu.connect("127.0.0.1", port, options);
    if (!outcome.connected)
        return outcome;
    const FilmJob job = createFilm(scu, "STANDARD\\1,1");
    outcome.setStatuses = setImages(scu, job);
    outcome.actionStatus = scu.nAction(uid::FilmBox, job.filmBox).status;
    scu.release();
    return outcome;
}

testing::AssertionResult nextJobPrints(ServiceFixture& service)
{
    const auto filmsBefore = service.films().size();
    TestScu scu;
    JobOutcome outcome;
    runPeer([&] { outcome = printOneFilm(scu, service.port()); });
    if (!outcome.connected)
        return testing::AssertionFailure() << "the next requester could not connect: " << scu.lastError();
    if (outcome.setStatuses != std::vector<std::uint16_t>{DimseStatus::Success})
        return testing::AssertionFailure() << "the image box N-SET failed";
    if (outcome.actionStatus != DimseStatus::Success)
        return testing::AssertionFailure() << "N-ACTION answered " << outcome.actionStatus << "\n" << service.errorLog();
    if (service.films().size() != filmsBefore + 1)
        return testing::AssertionFailure() << "no film was written";
    return testing::AssertionSuccess();
}

} // namespace kestrova::test
