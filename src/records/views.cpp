// The host's saved views: the views block and the scene views sent to the renderer.
#include "records/views.h"

#include "records/camera.h"

#include <cmath>

namespace orvex {

namespace {

constexpr double kTolerance = 0.0001;

// The difference is taken in single precision, as the host's values are, and compared in
// double. No float lies exactly on either tolerance, so "below" and "at most" agree. NaN
// compares unequal.
bool closeEnough(float a, float b, double tolerance) {
    const float difference = a - b;
    return std::fabs(static_cast<double>(difference)) < tolerance;
}

void addView(ViewList& list, const std::u16string& text) {
    CameraRecord view;
    parseCameraBlock(text, view);
    list.views.push_back(std::move(view));
}

// Keys in test order; each "Camera" object holds a camera block with its own markers.
const Key<ViewList> kViewsKeys[] = {
    {u"Version", Separator::Bracket, Target<ViewList>::Unused{}},
    {u"nActCamera", Separator::Bracket, &ViewList::active},
    {u"Camera", Separator::ObjectStart, &addView},
};

} // namespace

std::span<const Key<ViewList>> viewsKeys() { return kViewsKeys; }

void parseViewsBlock(const std::u16string& text, ViewList& list) {
    list = ViewList{};
    readKeyedBlock(text, kViewsBlockName, kViewsKeys, list);
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
        if (!closeEnough(a.eye[i], b.eye[i], kTolerance)) return false;
        if (!closeEnough(a.target[i], b.target[i], kTolerance)) return false;
        if (!closeEnough(a.up[i], b.up[i], kTolerance)) return false;
    }
    if (!closeEnough(a.nearClip, b.nearClip, kTolerance)) return false;
    if (!closeEnough(a.fieldOfView, b.fieldOfView, kTolerance)) return false;
    // The type and the display name are not part of the comparison.
    return a.nameId == b.nameId;
}

} // namespace orvex
