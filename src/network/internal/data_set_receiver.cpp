#include "network/internal/data_set_receiver.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/dcmnet/cond.h>
#include <dcmtk/dcmnet/dul.h>

#include <optional>
#include <span>

namespace kestrova {

namespace {

// The next PDV of the association, reading a new P-DATA-TF PDU when the last one is used up; the
// DIMSE timeout applies to each PDU, as in DIMSE's own reading.
OFCondition nextPdv(T_ASC_Association& association, T_DIMSE_BlockingMode blocking, int timeout, DUL_PDV& pdv)
{
    if (DUL_NextPDV(&association.DULassociation, &pdv).good())
        return EC_Normal;
    if (blocking == DIMSE_NONBLOCKING && !ASC_dataWaiting(&association, timeout))
        return DIMSE_NODATAAVAILABLE;
    const OFCondition read = DUL_ReadPDVs(&association.DULassociation, nullptr,
                                          blocking == DIMSE_BLOCKING ? DUL_BLOCK : DUL_NOBLOCK, timeout);
    if (read == DUL_PEERREQUESTEDRELEASE || read == DUL_PEERABORTEDASSOCIATION)
        return read;
    if (read != DUL_PDATAPDUARRIVED)
        return makeDcmnetSubCondition(DIMSEC_READPDVFAILED, OF_error, "DIMSE Read PDV failed", read);
    return DUL_NextPDV(&association.DULassociation, &pdv);
}

std::optional<DataSetEncoding> encodingOf(T_ASC_Association& association, T_ASC_PresentationContextID context)
{
    T_ASC_PresentationContext accepted;
    if (ASC_findAcceptedPresentationContext(association.params, context, &accepted).bad())
        return std::nullopt;
    switch (DcmXfer(accepted.acceptedTransferSyntax).getXfer()) {
    case EXS_LittleEndianExplicit: return DataSetEncoding::ExplicitLittleEndian;
    case EXS_LittleEndianImplicit: return DataSetEncoding::ImplicitLittleEndian;
    case EXS_BigEndianExplicit: return DataSetEncoding::ExplicitBigEndian;
    default: return std::nullopt;
    }
}

OFCondition receiveFailure(const char* why) { return makeDcmnetCondition(DIMSEC_RECEIVEFAILED, OF_error, why); }

OFCondition checkPdv(const DUL_PDV& pdv, T_ASC_PresentationContextID commandContext)
{
    if (pdv.pdvType != DUL_DATASETPDV)
        return DIMSE_UNEXPECTEDPDVTYPE;
    if (pdv.presentationContextID != commandContext)
        return receiveFailure("DIMSE: the data set came on another presentation context than its command");
    if (pdv.fragmentLength % 2 != 0)
        return receiveFailure("DIMSE: odd fragment length");
    return EC_Normal;
}

} // namespace

OFCondition receiveDataSet(T_ASC_Association& association, T_ASC_PresentationContextID commandContext,
                           T_DIMSE_BlockingMode blocking, int timeout, std::uint64_t maxBytes, ReceivedDataSet& received)
{
    const std::optional<DataSetEncoding> encoding = encodingOf(association, commandContext);
    if (!encoding)
        return receiveFailure("DIMSE: no transfer syntax of the program's for the data set's presentation context");
    dcm::CheckedReader reader(*encoding, maxBytes);
    for (bool last = false; !last;) {
        DUL_PDV pdv{};
        if (const OFCondition read = nextPdv(association, blocking, timeout, pdv); read.bad())
            return read;
        if (const OFCondition valid = checkPdv(pdv, commandContext); valid.bad())
            return valid;
        last = pdv.lastPDV != OFFalse;
        reader.feed(std::span(static_cast<const std::uint8_t*>(pdv.data), pdv.fragmentLength), last);
    }
    received.state = reader.state();
    received.dataset = reader.take();
    received.bytes = reader.bytes();
    return EC_Normal;
}

} // namespace kestrova
