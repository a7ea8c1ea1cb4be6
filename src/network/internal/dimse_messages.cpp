#include "network/internal/dimse_messages.h"

#include <dcmtk/ofstd/ofstd.h>

#include <cstdio>
#include <cstdlib>

namespace kestrova::dimse {

namespace {

T_DIMSE_DataSetType dataSetType(bool present) { return present ? DIMSE_DATASET_PRESENT : DIMSE_DATASET_NULL; }

void copyUid(DIC_UI& target, const std::string& uid) { OFStandard::strlcpy(target, uid.c_str(), sizeof(DIC_UI)); }

RequestInfo info(std::uint16_t field, DIC_US id, const char* sopClass, const char* sopInstance,
                 T_DIMSE_DataSetType type, std::uint16_t typeId = 0)
{
    return RequestInfo{field, id, sopClass ? sopClass : "", sopInstance ? sopInstance : "", typeId,
                       type != DIMSE_DATASET_NULL};
}

// Every response has the same core fields under different names; this fills them.
template <typename Rsp>
void fillStatus(Rsp& rsp, const RequestInfo& request, std::uint16_t status, bool withDataSet)
{
    rsp.MessageIDBeingRespondedTo = request.messageId;
    rsp.DimseStatus = status;
    rsp.DataSetType = dataSetType(withDataSet);
    copyUid(rsp.AffectedSOPClassUID, request.sopClassUid);
}

template <typename Rsp>
void fillCommon(Rsp& rsp, const RequestInfo& request, std::uint16_t status, bool withDataSet,
                const std::string& instance)
{
    fillStatus(rsp, request, status, withDataSet);
    copyUid(rsp.AffectedSOPInstanceUID, instance);
}

} // namespace

RequestInfo describe(const T_DIMSE_Message& m)
{
    const auto field = static_cast<std::uint16_t>(m.CommandField);
    switch (m.CommandField) {
    case DIMSE_N_GET_RQ: {
        const auto& r = m.msg.NGetRQ;
        return info(field, r.MessageID, r.RequestedSOPClassUID, r.RequestedSOPInstanceUID, r.DataSetType);
    }
    case DIMSE_N_SET_RQ: {
        const auto& r = m.msg.NSetRQ;
        return info(field, r.MessageID, r.RequestedSOPClassUID, r.RequestedSOPInstanceUID, r.DataSetType);
    }
    case DIMSE_N_ACTION_RQ: {
        const auto& r = m.msg.NActionRQ;
        return info(field, r.MessageID, r.RequestedSOPClassUID, r.RequestedSOPInstanceUID, r.DataSetType,
                    r.ActionTypeID);
    }
    case DIMSE_N_CREATE_RQ: {
        const auto& r = m.msg.NCreateRQ;
        const bool hasInstance = (r.opts & O_NCREATE_AFFECTEDSOPINSTANCEUID) != 0;
        return info(field, r.MessageID, r.AffectedSOPClassUID, hasInstance ? r.AffectedSOPInstanceUID : "",
                    r.DataSetType);
    }
    case DIMSE_N_DELETE_RQ: {
        const auto& r = m.msg.NDeleteRQ;
        return info(field, r.MessageID, r.RequestedSOPClassUID, r.RequestedSOPInstanceUID, r.DataSetType);
    }
    case DIMSE_N_EVENT_REPORT_RQ: {
        const auto& r = m.msg.NEventReportRQ;
        return info(field, r.MessageID, r.AffectedSOPClassUID, r.AffectedSOPInstanceUID, r.DataSetType,
                    r.EventTypeID);
    }
    case DIMSE_C_STORE_RQ: {
        const auto& r = m.msg.CStoreRQ;
        return info(field, r.MessageID, r.AffectedSOPClassUID, r.AffectedSOPInstanceUID, r.DataSetType);
    }
    case DIMSE_C_ECHO_RQ: return info(field, m.msg.CEchoRQ.MessageID, m.msg.CEchoRQ.AffectedSOPClassUID, "", m.msg.CEchoRQ.DataSetType);
    case DIMSE_C_FIND_RQ: return info(field, m.msg.CFindRQ.MessageID, m.msg.CFindRQ.AffectedSOPClassUID, "", m.msg.CFindRQ.DataSetType);
    case DIMSE_C_GET_RQ: return info(field, m.msg.CGetRQ.MessageID, m.msg.CGetRQ.AffectedSOPClassUID, "", m.msg.CGetRQ.DataSetType);
    case DIMSE_C_MOVE_RQ: return info(field, m.msg.CMoveRQ.MessageID, m.msg.CMoveRQ.AffectedSOPClassUID, "", m.msg.CMoveRQ.DataSetType);
    case DIMSE_C_CANCEL_RQ:
        return info(field, m.msg.CCancelRQ.MessageIDBeingRespondedTo, "", "", m.msg.CCancelRQ.DataSetType);
    default: return info(field, 0, "", "", DIMSE_DATASET_NULL);
    }
}

std::string commandName(std::uint16_t field)
{
    const char* base = nullptr;
    switch (field & 0x7FFF) {
    case 0x0001: base = "C-STORE"; break;
    case 0x0010: base = "C-GET"; break;
    case 0x0020: base = "C-FIND"; break;
    case 0x0021: base = "C-MOVE"; break;
    case 0x0030: base = "C-ECHO"; break;
    case 0x0FFF: return "C-CANCEL-RQ";
    case 0x0100: base = "N-EVENT-REPORT"; break;
    case 0x0110: base = "N-GET"; break;
    case 0x0120: base = "N-SET"; break;
    case 0x0130: base = "N-ACTION"; break;
    case 0x0140: base = "N-CREATE"; break;
    case 0x0150: base = "N-DELETE"; break;
    default: return hex(field);
    }
    return std::string(base) + ((field & 0x8000) != 0 ? "-RSP" : "-RQ");
}

std::string hex(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

void freeParsedLists(T_DIMSE_Message& request)
{
    if (request.CommandField == DIMSE_N_GET_RQ) {
        std::free(request.msg.NGetRQ.AttributeIdentifierList);
        request.msg.NGetRQ.AttributeIdentifierList = nullptr;
        request.msg.NGetRQ.ListCount = 0;
    }
}

std::optional<T_DIMSE_Message> responseTo(const RequestInfo& request, std::uint16_t status, bool withDataSet,
                                          const std::string& instanceFromData)
{
    T_DIMSE_Message response{};
    response.CommandField = static_cast<T_DIMSE_Command>(request.commandField | 0x8000);
    switch (request.commandField) {
    case DIMSE_N_GET_RQ:
        fillCommon(response.msg.NGetRSP, request, status, withDataSet, request.sopInstanceUid);
        response.msg.NGetRSP.opts = O_NGET_AFFECTEDSOPCLASSUID | O_NGET_AFFECTEDSOPINSTANCEUID;
        break;
    case DIMSE_N_SET_RQ:
        fillCommon(response.msg.NSetRSP, request, status, withDataSet, request.sopInstanceUid);
        response.msg.NSetRSP.opts = O_NSET_AFFECTEDSOPCLASSUID | O_NSET_AFFECTEDSOPINSTANCEUID;
        break;
    case DIMSE_N_ACTION_RQ:
        fillCommon(response.msg.NActionRSP, request, status, withDataSet, request.sopInstanceUid);
        response.msg.NActionRSP.ActionTypeID = request.typeId;
        response.msg.NActionRSP.opts = O_NACTION_AFFECTEDSOPCLASSUID | O_NACTION_AFFECTEDSOPINSTANCEUID | O_NACTION_ACTIONTYPEID;
        break;
    case DIMSE_N_CREATE_RQ: {
        const std::string& instance = instanceFromData.empty() ? request.sopInstanceUid : instanceFromData;
        fillCommon(response.msg.NCreateRSP, request, status, withDataSet, instance);
        response.msg.NCreateRSP.opts = O_NCREATE_AFFECTEDSOPCLASSUID | (instance.empty() ? 0 : O_NCREATE_AFFECTEDSOPINSTANCEUID);
        break;
    }
    case DIMSE_N_DELETE_RQ:
        fillCommon(response.msg.NDeleteRSP, request, status, false, request.sopInstanceUid);
        response.msg.NDeleteRSP.opts = O_NDELETE_AFFECTEDSOPCLASSUID | O_NDELETE_AFFECTEDSOPINSTANCEUID;
        break;
    case DIMSE_N_EVENT_REPORT_RQ:
        fillCommon(response.msg.NEventReportRSP, request, status, withDataSet, request.sopInstanceUid);
        response.msg.NEventReportRSP.EventTypeID = request.typeId;
        response.msg.NEventReportRSP.opts =
            O_NEVENTREPORT_AFFECTEDSOPCLASSUID | O_NEVENTREPORT_AFFECTEDSOPINSTANCEUID | O_NEVENTREPORT_EVENTTYPEID;
        break;
    // Composite services are not offered, but a requester that sends one still hears so.
    case DIMSE_C_STORE_RQ:
        fillCommon(response.msg.CStoreRSP, request, status, false, request.sopInstanceUid);
        response.msg.CStoreRSP.opts = O_STORE_AFFECTEDSOPCLASSUID | O_STORE_AFFECTEDSOPINSTANCEUID;
        break;
    case DIMSE_C_FIND_RQ:
        fillStatus(response.msg.CFindRSP, request, status, false);
        response.msg.CFindRSP.opts = O_FIND_AFFECTEDSOPCLASSUID;
        break;
    case DIMSE_C_GET_RQ:
        fillStatus(response.msg.CGetRSP, request, status, false);
        response.msg.CGetRSP.opts = O_GET_AFFECTEDSOPCLASSUID;
        break;
    case DIMSE_C_MOVE_RQ:
        fillStatus(response.msg.CMoveRSP, request, status, false);
        response.msg.CMoveRSP.opts = O_MOVE_AFFECTEDSOPCLASSUID;
        break;
    default: return std::nullopt;
    }
    return response;
}

} // namespace kestrova::dimse
