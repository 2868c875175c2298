// The host's saved views: the views block, the scene views sent to the renderer, and the
// record of what was last sent for each view name.
#include "records/views.h"

#include "app/data_folder.h"
#include "model/model_exchange.h"
#include "records/camera.h"
#include "records/keyed_block_reader.h"

#include <cmath>
#include <unordered_map>

namespace orvex {

namespace {

constexpr double kPointTolerance = 0.0001;
constexpr double kScalarTolerance = 0.0001;

// The difference is taken in single precision, as the host's values are, and compared in
// double. NaN compares unequal.
bool closeEnough(float a, float b, double tolerance, bool inclusive) {
    const float difference = a - b;
    const double magnitude = std::fabs(static_cast<double>(difference));
    return inclusive ? magnitude <= tolerance : magnitude < tolerance;
}

// The position of the first stored view of each name, so that a block of many views is
// matched in one pass instead of searching the stored views from the front for each.
class StoredIndex {
public:
    explicit StoredIndex(const std::vector<CameraRecord>& stored) {
        // emplace keeps the entry of a name already present: the first one.
        for (size_t i = 0; i < stored.size(); ++i) first_.emplace(stored[i].name, i);
    }
    // The first stored view with the name, or nullptr.
    CameraRecord* find(std::vector<CameraRecord>& stored, const std::u16string& name) const {
        const auto it = first_.find(name);
        return it == first_.end() ? nullptr : &stored[it->second];
    }
    void appended(const std::vector<CameraRecord>& stored) {
        first_.emplace(stored.back().name, stored.size() - 1);
    }

private:
    std::unordered_map<std::u16string, size_t> first_;
};

} // namespace

void parseViewsBlock(const std::u16string& text, ViewList& list) {
    list = ViewList{};
    KeyedBlockReader reader(text, u"Cameras");
    constexpr Separator b = Separator::Bracket;
    std::u16string_view line;
    while (reader.nextLine(line)) {
        if (!reader.acceptLine(line)) continue;
        if (reader.isKeyLine(line, u"Version", b)) {
            int32_t version = 0; // read and not used
            reader.readInts(line, u"Version", b, &version, 1);
        } else if (reader.isKeyLine(line, u"nActCamera", b)) {
            reader.readInts(line, u"nActCamera", b, &list.active, 1);
        } else if (reader.isObjectStart(line, u"Camera")) {
            std::optional<std::u16string> object = reader.collectObject(u"Camera");
            if (!object) break; // the text ended inside the object: it is dropped
            CameraRecord view;
            parseCameraBlock(*object, view);
            list.views.push_back(std::move(view));
        }
    }
}

void applyViewList(ModelExchange& exchange, const ViewList& list) {
    const RendererSession& session = exchange.session;
    std::vector<CameraRecord>& stored = exchange.storedViews;
    const size_t count = list.views.size();
    const bool activeInRange = list.active >= 0 && static_cast<size_t>(list.active) < count;
    StoredIndex index(stored);
    for (size_t i = 0; i < count; ++i) {
        if (activeInRange && i == static_cast<size_t>(list.active)) continue;
        const CameraRecord& view = list.views[i];
        CameraRecord* previous = index.find(stored, view.name);
        if (!previous) {
            sendSceneView(session, view);
            stored.push_back(view);
            index.appended(stored);
            continue;
        }
        // Within the tolerances the values sent before are sent again, so that rounding
        // noise in the host's file does not move a view.
        if (!viewsEqual(*previous, view)) *previous = view;
        sendSceneView(session, *previous);
    }
    if (activeInRange) {
        const CameraRecord& active = list.views[static_cast<size_t>(list.active)];
        sendCamera(session, active);
        // The active view always takes the first slot, whatever name was stored there.
        if (stored.empty())
            stored.push_back(active);
        else
            stored.front() = active;
    }
    session.api->ORVEXAPI_EndExport(session.handle);
}

void sendSceneView(const RendererSession& session, const CameraRecord& view) {
    const RendererApi& api = *session.api;
    SimpleCamera camera = toSimpleCamera(view);
    api.ORVEXAPI_AddSimpleSceneView(session.handle, view.nameId.c_str(), view.name.c_str(), &camera,
                                    camera.fov);
    api.ORVEXAPI_SendSimpleCamera(session.handle, &camera, camera.fov);
    api.ORVEXAPI_SetCameraFloatProperty(session.handle, u"camera_near_clip_plane", view.nearClip);
    api.ORVEXAPI_SendSimpleSceneViews(session.handle);
}

bool viewsEqual(const CameraRecord& a, const CameraRecord& b) {
    if (&a == &b) return true;
    for (int i = 0; i < 3; ++i) {
        if (!closeEnough(a.eye[i], b.eye[i], kPointTolerance, true)) return false;
        if (!closeEnough(a.target[i], b.target[i], kPointTolerance, true)) return false;
        if (!closeEnough(a.up[i], b.up[i], kPointTolerance, true)) return false;
    }
    if (!closeEnough(a.nearClip, b.nearClip, kScalarTolerance, false)) return false;
    if (!closeEnough(a.fieldOfView, b.fieldOfView, kScalarTolerance, false)) return false;
    // The type and the display name are not part of the comparison.
    return a.nameId == b.nameId;
}

void syncViews(ModelExchange& exchange) {
    std::u16string text;
    if (!readTextFile(dataFilePath(u"Views.cam"), text)) return;
    ViewList list;
    parseViewsBlock(text, list);
    applyViewList(exchange, list);
}

} // namespace orvex
