#pragma once
// A request's data set received PDV by PDV in place of DcmSCP::receiveDIMSEDataset (which hands
// every fragment straight to DCMTK's recursive parser): each fragment passes the nesting check of
// dcm::CheckedReader before the parser sees it, and the data set's bytes are counted against a
// limit. A refused data set is still received to its last fragment, so that its request can be
// answered and the association goes on. Internal.
//
// Threads: runs on the association's thread.

#include "data/checked_read.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/dimse.h>

#include <cstdint>
#include <memory>

class DcmDataset;

namespace kestrova {

struct ReceivedDataSet {
    dcm::ReadState state = dcm::ReadState::Reading; // never Reading once received
    std::unique_ptr<DcmDataset> dataset;            // when Complete
    std::uint64_t bytes = 0;
};

// Bad when the association failed (closed, aborted, timed out) or broke DIMSE's rules (another
// kind of PDV, another presentation context than the command's, an odd fragment).
OFCondition receiveDataSet(T_ASC_Association& association, T_ASC_PresentationContextID commandContext,
                           T_DIMSE_BlockingMode blocking, int timeout, std::uint64_t maxBytes, ReceivedDataSet& received);

} // namespace kestrova
