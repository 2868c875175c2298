// Change tracking between the host and the renderer: the host learns what was sent from the
// sync-state file, and its change directory tells what to delete before the next block.
#include "model/change_tracking.h"

#include "core/data_folder.h"
#include "lights/send_light.h"
#include "model/block_reader.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "platform/files.h"

#include <string>
#include <vector>

namespace orvex {

namespace {

void flushRenderer(const RendererSession& s) {
    if (s.handle == 0) return;
    int64_t slot = 0;
    s.api->ORVEXAPI_FlushData(s.handle, &slot);
}

} // namespace

void syncModel(ModelExchange& ex) {
    ex.containerPath = dataFilePath(u"_mod.sm");
    applyChangeDirectory(ex);
    loadModelEntry(ex, 1);
    flushRenderer(ex.session);
}

void applyChangeDirectory(ModelExchange& ex) {
    if (readHeader(ex) != kHeaderRead || ex.header.entryCount < 0) {
        ex.container.close();
        return;
    }
    const ContainerEntry& entry = ex.header.entries[0];
    if (entry.kind != layout::kChangeDirectoryKind) {
        ex.container.close();
        return;
    }
    if (entry.project != ex.sourceProject) {
        // Another project: everything sent so far goes, and the renderer saves to the new
        // project's scene file. The new project becomes the source once its block is loaded.
        resetScene(ex);
        ex.session.projectName = entry.project;
        ex.session.api->ORVEXAPI_SaveToFiles(ex.session.handle, sceneFilePath(entry.project).c_str());
        ex.container.close();
        return;
    }

    const uint64_t directory = entry.blockOffset < 0 ? ex.container.size() : uint64_t(entry.blockOffset);
    std::vector<uint32_t> words;
    readChangeDirectory(ex.container, directory, words, [&](ChangeList& list) {
        if (list.name == u"Solid") ex.solidDeleteList = std::move(list.ids);
        else if (list.name == u"Material") ex.materialIdList = std::move(list.ids);
    });
    deleteListedSolids(ex);
    ex.container.close();
}

void deleteListedSolids(ModelExchange& ex) {
    const RendererSession& s = ex.session;
    for (uint32_t id : ex.solidDeleteList) {
        if (!ex.solidTable.erase(id)) continue;
        s.api->ORVEXAPI_DeleteNode(s.handle, SolidNodeName(id).c_str());
    }
    flushRenderer(s);
    for (const auto& [id, light] : ex.lightTable) {
        s.api->ORVEXAPI_RemoveLight(s.handle, lightNodeName(light).c_str());
        s.api->ORVEXAPI_SendLights(s.handle);
    }
    ex.lightTable.clear();
}

void resetScene(ModelExchange& ex) {
    const RendererSession& s = ex.session;
    ex.solidTable.forEach(
        [&](const SolidState& solid) { s.api->ORVEXAPI_DeleteNode(s.handle, SolidNodeName(solid.id).c_str()); });
    ex.solidTable.clear();
    for (const auto& [name, material] : ex.materialTable) s.api->ORVEXAPI_ResetMaterial(s.handle, name.c_str());
    ex.materialTable.clear();
    for (const auto& [id, light] : ex.lightTable) {
        if (!light.Enabled) continue;
        s.api->ORVEXAPI_RemoveLight(s.handle, lightNodeName(light).c_str());
        s.api->ORVEXAPI_SendLights(s.handle);
    }
    ex.lightTable.clear();
    s.api->ORVEXAPI_ClearLights(s.handle);
    s.api->ORVEXAPI_SendLights(s.handle);
    // The stored views stay: they record what each view name last showed.
    for (const CameraRecord& view : ex.storedViews) {
        s.api->ORVEXAPI_DeleteSceneView(s.handle, view.name.c_str());
        s.api->ORVEXAPI_SendSimpleSceneViews(s.handle);
    }
    s.api->ORVEXAPI_EndExport(s.handle);
    flushRenderer(s);
}

} // namespace orvex
