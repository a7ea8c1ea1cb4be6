#pragma once
// The print objects of one association, found by SOP Instance UID. Removing an object takes
// what hangs from it: a film session its film boxes, a film box its image and annotation boxes,
// and with them the pixel data they held on the association's account.
//
// Threads: used only under the print service's lock.

#include "print_service/film_objects.h"
#include "print_service/pixel_budget.h"

#include <map>
#include <memory>
#include <string>
#include <variant>

namespace kestrova {

using StoredObject = std::variant<std::shared_ptr<FilmSession>, std::shared_ptr<FilmBox>, std::shared_ptr<ImageBox>,
                                  std::shared_ptr<PresentationLut>, std::shared_ptr<AnnotationBox>,
                                  std::shared_ptr<PlainObject>>;

class ObjectStore {
public:
    explicit ObjectStore(PixelAccount& pixels) : pixels_(pixels) {}
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // The account its image boxes hold their pixel data on.
    PixelAccount& pixels() const { return pixels_; }

    bool contains(const std::string& uid) const { return objects_.contains(uid); }
    // The object with that UID, or null when there is none or it is of another type.
    template <typename Object>
    std::shared_ptr<Object> find(const std::string& uid) const
    {
        const auto found = objects_.find(uid);
        if (found == objects_.end())
            return nullptr;
        const auto* object = std::get_if<std::shared_ptr<Object>>(&found->second);
        return object ? *object : nullptr;
    }
    // The attributes of the object with that UID, or null.
    DataSet* attributesOf(const std::string& uid) const;

    void addFilmSession(std::shared_ptr<FilmSession> session);
    // With its image and annotation boxes, as the last film box of its session.
    void addFilmBox(std::shared_ptr<FilmBox> filmBox);
    void addPresentationLut(const std::shared_ptr<PresentationLut>& lut) { objects_.emplace(lut->uid, lut); }
    void addPlainObject(std::shared_ptr<PlainObject> object);

    // Removes the object with everything that hangs from it; an unknown UID is no error.
    void remove(const std::string& uid);
    void clear() { objects_.clear(); }

    std::size_t size() const { return objects_.size(); }

private:
    void removeFilmSession(const FilmSession& session);
    void removeFilmBox(const FilmBox& filmBox);

    PixelAccount& pixels_;
    std::map<std::string, StoredObject> objects_;
};

} // namespace kestrova
