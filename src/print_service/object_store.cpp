#include "print_service/object_store.h"

#include <algorithm>

namespace kestrova {

DataSet* ObjectStore::attributesOf(const std::string& uid) const
{
    const auto found = objects_.find(uid);
    if (found == objects_.end())
        return nullptr;
    return std::visit([](const auto& object) { return &object->attributes; }, found->second);
}

void ObjectStore::addFilmSession(std::shared_ptr<FilmSession> session)
{
    const std::string uid = session->uid;
    objects_.emplace(uid, std::move(session));
}

void ObjectStore::addFilmBox(std::shared_ptr<FilmBox> filmBox)
{
    for (const auto& imageBox : filmBox->imageBoxes)
        objects_.emplace(imageBox->uid, imageBox);
    for (const auto& annotationBox : filmBox->annotationBoxes)
        objects_.emplace(annotationBox->uid, annotationBox);
    filmBox->session->filmBoxes.push_back(filmBox);
    const std::string uid = filmBox->uid;
    objects_.emplace(uid, std::move(filmBox));
}

void ObjectStore::addPlainObject(std::shared_ptr<PlainObject> object)
{
    const std::string uid = object->uid;
    objects_.emplace(uid, std::move(object));
}

void ObjectStore::remove(const std::string& uid)
{
    const auto found = objects_.find(uid);
    if (found == objects_.end())
        return;
    // Held here: erasing the entry may drop the last reference to the object.
    const StoredObject object = found->second;
    if (const auto* session = std::get_if<std::shared_ptr<FilmSession>>(&object))
        removeFilmSession(**session);
    else if (const auto* filmBox = std::get_if<std::shared_ptr<FilmBox>>(&object))
        removeFilmBox(**filmBox);
    objects_.erase(uid);
}

void ObjectStore::removeFilmSession(const FilmSession& session)
{
    // A copy: each removal takes the film box out of the session's list.
    const auto filmBoxes = session.filmBoxes;
    for (const auto& filmBox : filmBoxes)
        remove(filmBox->uid);
}

// A film box left in its session's list would keep its images in memory until the session goes.
void ObjectStore::removeFilmBox(const FilmBox& filmBox)
{
    for (const auto& imageBox : filmBox.imageBoxes)
        objects_.erase(imageBox->uid);
    for (const auto& annotationBox : filmBox.annotationBoxes)
        objects_.erase(annotationBox->uid);
    std::erase_if(filmBox.session->filmBoxes, [&](const auto& member) { return member.get() == &filmBox; });
}

} // namespace kestrova
