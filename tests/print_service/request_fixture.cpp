#include "request_fixture.h"

namespace kestrova::test {

DataSetPtr makeDataSet(std::initializer_list<std::pair<Tag, Value>> attributes)
{
    auto dataSet = std::make_shared<DataSet>();
    for (const auto& [tag, value] : attributes)
        dataSet->add(tag, value);
    return dataSet;
}

RequestFixture::RequestFixture(std::string meta) : metaSopClass(std::move(meta))
{
    // A caption line, so that every film is a page even without images.
    Configuration configuration{Settings{"KODAK", 4006, "AGFA", "Film Printer", "Tahoma", 10, 0, ""},
                                HeaderLines{"WARD 3"}, HeaderLines{}, Limits{}, AccessSettings{}, TlsSettings{}};
    const auto lock = state.lock();
    state.setJobSettings(FilmJobSettings{configuration, LutState{}, LargestFilmPicture, "Film Printer"});
}

kestrova::Response RequestFixture::send(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                              DataSetPtr request, AssociationHandler* on)
{
    AssociationHandler& target = on ? *on : *association;
    // The context a requester sends it on: the Presentation LUT has one of its own.
    const std::string context = classUid == SopClass::PresentationLut ? classUid : metaSopClass;
    kestrova::Response response = target.handle(Request{commandField, classUid, instanceUid, 1, context, std::move(request)});
    if (response.afterSent)
        response.afterSent();
    return response;
}

std::string RequestFixture::createSession(AssociationHandler* on)
{
    const kestrova::Response response = send(CommandField::NCreateRq, SopClass::BasicFilmSession, "", filmSessionAttributes(), on);
    return response.dataSet ? response.dataSet->sopInstanceUid() : std::string();
}

DataSetPtr RequestFixture::createFilmBox(const std::string& sessionUid, const std::string& format, AssociationHandler* on)
{
    return send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", filmBoxAttributes(format, sessionUid), on).dataSet;
}

void RequestFixture::setLimits(const Limits& limits)
{
    const auto lock = state.lock();
    FilmJobSettings settings = state.jobSettings();
    settings.configuration.limits = limits;
    state.setJobSettings(std::move(settings));
}

std::uint16_t RequestFixture::setImage(const DataSetPtr& filmBox, const DataSetPtr& image, AssociationHandler* on)
{
    return send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, imageBoxesOf(filmBox).at(0), imageBoxModification(image), on)
        .status;
}

std::uint16_t RequestFixture::print(const DataSetPtr& filmBox, AssociationHandler* on)
{
    return send(CommandField::NActionRq, SopClass::BasicFilmBox, filmBox->sopInstanceUid(), nullptr, on).status;
}

std::vector<std::string> RequestFixture::imageBoxesOf(const DataSetPtr& filmBox)
{
    std::vector<std::string> uids;
    for (const auto& item : *filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence())
        uids.push_back(item->attribute(ReferencedSopInstanceUidTag).asText());
    return uids;
}

} // namespace kestrova::test
