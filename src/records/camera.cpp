// The camera block: the host's current camera becomes the renderer's current camera.
#include "records/camera.h"

#include "core/axes.h"
#include "core/keyed_block_reader.h"

namespace orvex {

namespace {

constexpr const char16_t* kNearClipProperty = u"camera_near_clip_plane";

} // namespace

SimpleCamera toSimpleCamera(const CameraRecord& record) {
    SimpleCamera camera{};
    toRendererAxes(record.eye, camera.eye);
    toRendererAxes(record.target, camera.target);
    toRendererAxes(record.up, camera.up);
    camera.fov = rendererFieldOfView(record.fieldOfView);
    return camera;
}

void parseCameraBlock(const std::u16string& text, CameraRecord& record) {
    KeyedBlockReader reader(text, u"Camera");
    constexpr Separator b = Separator::Bracket;
    std::u16string_view line;
    while (reader.nextLine(line)) {
        if (!reader.acceptLine(line)) continue;
        // The keys in the order the host's own reader tests them; the first match wins.
        if (reader.isKeyLine(line, u"Version", b)) {
            int32_t version = 0; // read and not used
            reader.readInts(line, u"Version", b, &version, 1);
        } else if (reader.isKeyLine(line, u"nType", b)) {
            reader.readInts(line, u"nType", b, &record.type, 1);
        } else if (reader.isKeyLine(line, u"_fov", b)) {
            reader.readFloats(line, u"_fov", b, &record.fieldOfView, 1);
        } else if (reader.isKeyLine(line, u"Name", b)) {
            record.name = reader.readText(line, u"Name");
        } else if (reader.isKeyLine(line, u"_from", b)) {
            reader.readFloats(line, u"_from", b, record.eye, 3);
        } else if (reader.isKeyLine(line, u"_to", b)) {
            reader.readFloats(line, u"_to", b, record.target, 3);
        } else if (reader.isKeyLine(line, u"_up", b)) {
            reader.readFloats(line, u"_up", b, record.up, 3);
        } else if (reader.isKeyLine(line, u"_fNerClipp", b)) {
            reader.readFloats(line, u"_fNerClipp", b, &record.nearClip, 1);
        } else if (reader.isKeyLine(line, u"Name_ID", b)) {
            record.nameId = reader.readText(line, u"Name_ID");
        }
    }
}

void sendCamera(const RendererSession& session, const CameraRecord& record) {
    const RendererApi& api = *session.api;
    SimpleCamera camera = toSimpleCamera(record);
    // The near clip plane is set both before and after the camera itself, so that it holds
    // whichever way the renderer ties it to the camera it receives.
    api.ORVEXAPI_SetCameraFloatProperty(session.handle, kNearClipProperty, record.nearClip);
    api.ORVEXAPI_SendSimpleCamera(session.handle, &camera, camera.fov);
    api.ORVEXAPI_SetCameraFloatProperty(session.handle, kNearClipProperty, record.nearClip);
    api.ORVEXAPI_SendCurrentActiveCamera(session.handle);
}

} // namespace orvex
