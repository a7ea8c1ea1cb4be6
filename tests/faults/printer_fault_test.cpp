// A real CUPS queue that disappears between two jobs: the job that meets the fault is
// answered Processing Failure and logged under "DoPrint"; once the queue is back, the next
// job reaches it.
#include "e2e/service_fixture.h"

#include "support/cups_server.h"
#include "print_service/dimse_status.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace test;
using namespace std::chrono_literals;

class PrinterFaults : public CupsTest {
protected:
    JobOutcome runJob()
    {
        TestScu scu;
        JobOutcome outcome;
        runPeer([&] { outcome = printOneFilm(scu, service.port()); });
        EXPECT_TRUE(outcome.connected) << scu.lastError();
        EXPECT_EQ(outcome.setStatuses, std::vector<std::uint16_t>{DimseStatus::Success});
        return outcome;
    }

    testing::AssertionResult nextJobReachesTheQueue()
    {
        const auto jobsBefore = cups().allJobs().size();
        const auto outcome = runJob();
        if (outcome.actionStatus != DimseStatus::Success)
            return testing::AssertionFailure() << "N-ACTION answered " << outcome.actionStatus << "\n"
                                               << service.errorLog();
        if (cups().allJobs().size() != jobsBefore + 1)
            return testing::AssertionFailure() << "the queue got no job";
        return testing::AssertionSuccess();
    }

    ServiceFixture service;
};

TEST_F(PrinterFaults, QueueRemovedBetweenJobsFailsOnlyTheJobThatMeetsIt)
{
    service.configuration.settings.Printer = Queue;
    service.service.restart();
    ASSERT_TRUE(nextJobReachesTheQueue());

    cups().removeQueue(Queue);
    const auto filmsBefore = service.films().size();
    EXPECT_EQ(runJob().actionStatus, DimseStatus::ProcessingFailure);
    EXPECT_NE(service.errorLog().find("DoPrint"), std::string::npos) << service.errorLog();
    EXPECT_EQ(service.films().size(), filmsBefore) << "the film went to another printer";

    cups().addPdfQueue(Queue);
    cups().setDefaultQueue(Queue);
    EXPECT_TRUE(nextJobReachesTheQueue());
    EXPECT_TRUE(cups().waitUntilNoPendingJobs(120s)) << cups().logTail();
}

} // namespace
} // namespace kestrova
