#pragma once
// What every fault test ends with: the service, after the fault, still prints the next
// ordinary job of a well-behaved requester.

#include "e2e/service_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kestrova::test {

struct JobOutcome {
    bool connected = false;
    std::vector<std::uint16_t> setStatuses;
    std::uint16_t actionStatus = 0xFFFF;
};

// One film of one image, printed by N-ACTION on the film box; runs on a peer thread.
JobOutcome printOneFilm(TestScu& scu, int port);

// Runs printOneFilm on a new requester and checks that it printed one more film.
testing::AssertionResult nextJobPrints(ServiceFixture& service);

} // namespace kestrova::test
