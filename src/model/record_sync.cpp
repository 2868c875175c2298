// The camera and views synchronisations: what the host wrote, against the record of what was
// last sent for each view name.
#include "model/record_sync.h"

#include "core/data_folder.h"
#include "core/keyed_block_reader.h"
#include "model/model_exchange.h"
#include "records/camera.h"
#include "records/views.h"

#include <unordered_map>

namespace orvex {

namespace {

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

void syncCamera(ModelExchange& exchange) {
    std::u16string text;
    if (!readTextFile(dataFilePath(u"camera.cam"), text)) return;
    CameraRecord record;
    parseCameraBlock(text, record);
    sendCamera(exchange.session, record);
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

void syncViews(ModelExchange& exchange) {
    std::u16string text;
    if (!readTextFile(dataFilePath(u"Views.cam"), text)) return;
    ViewList list;
    parseViewsBlock(text, list);
    applyViewList(exchange, list);
}


} // namespace orvex
