#pragma once
// The attributes a print SCU sends to make a film, and what it reads back from the film box
// N-CREATE response: shared by the end-to-end tests and the load generator.

#include "support/test_scu.h"
#include "test_film/film_requests.h"

#include <string>
#include <vector>

namespace kestrova::test {

using kestrova::filmBoxAttributes;
using kestrova::filmSessionAttributes;

struct ImageBoxRefs {
    std::vector<std::string> instances;
    std::vector<std::string> classes;
};
// A one-item reference sequence (class, instance).
CollectionPtr referenceTo(const std::string& classUid, const std::string& instanceUid);

// The Referenced Image Box Sequence of a film box N-CREATE response; empty when it has none.
ImageBoxRefs imageBoxesOf(const Response& filmBoxCreated);

} // namespace kestrova::test
