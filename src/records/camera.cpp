// The camera block: the host's current camera becomes the renderer's current camera.
#include "records/camera.h"

#include "core/axes.h"

namespace orvex {

namespace {

constexpr const char16_t* kNearClipProperty = u"camera_near_clip_plane";

using C = CameraRecord;
constexpr Separator kBracket = Separator::Bracket;

// The keys in the order the host's own reader tests them; the first match wins.
const Key<C> kCameraKeys[] = {
    {u"Version", kBracket, Target<C>::Unused{}},
    {u"nType", kBracket, &C::type},
    {u"_fov", kBracket, &C::fieldOfView},
    {u"Name", kBracket, &C::name},
    {u"_from", kBracket, &C::eye},
    {u"_to", kBracket, &C::target},
    {u"_up", kBracket, &C::up},
    {u"_fNerClipp", kBracket, &C::nearClip},
    {u"Name_ID", kBracket, &C::nameId},
};

} // namespace

std::span<const Key<CameraRecord>> cameraKeys() { return kCameraKeys; }

SimpleCamera toSimpleCamera(const CameraRecord& record) {
    SimpleCamera camera{};
    toRendererAxes(record.eye, camera.eye);
    toRendererAxes(record.target, camera.target);
    toRendererAxes(record.up, camera.up);
    camera.fov = rendererFieldOfView(record.fieldOfView);
    return camera;
}

void parseCameraBlock(const std::u16string& text, CameraRecord& record) {
    readKeyedBlock(text, kCameraBlockName, kCameraKeys, record);
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
