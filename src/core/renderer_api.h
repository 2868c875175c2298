// The renderer's operations, declared once. The product binds them by name from
// OrvexApi.dll, the native tests bind them to an in-process recorder and the stand-in
// DLL exports them, all from the list below, so the three cannot drift apart.
#pragma once

#include <cstdint>

namespace orvex {

// Ten floats: eye, target, up (x, y, z each) and the field of view.
struct SimpleCamera {
    float eye[3];
    float target[3];
    float up[3];
    float fov;
};

// Always 1.0, 2, 0; the meaning of the values is the renderer's.
struct SceneSetting {
    float scale;
    int32_t mode;
    int32_t flags;
};

// Handed to ORVEXAPI_AddIndexedTriangle by address, valid only during the call.
struct MeshData {
    uint32_t firstCount;
    uint32_t indexCount;
    const float* positions;     // array 1
    const uint32_t* attributes5; // array 5
    const uint32_t* attributes2; // array 2
    const uint32_t* indices;
};
static_assert(sizeof(void*) != 8 || sizeof(MeshData) == 40, "MeshData layout is part of the renderer ABI");

using RendererHandle = uint64_t;
using RChar = char16_t; // 16-bit units; the same bytes as wchar_t on Windows

// X(name, parameter list, argument list). Every operation returns a 32-bit result;
// only StartOrvexRender, CreateSession and GetRenderStatus have theirs read.
#define ORVEXAPI_OPERATIONS(X)                                                                    \
    X(ORVEXAPI_StartOrvexRender,                                                                  \
      (const ::orvex::RChar* projectStem, const char* clientName, const char* clientVersion,     \
       int32_t* status),                                                                          \
      (projectStem, clientName, clientVersion, status))                                           \
    X(ORVEXAPI_CreateSession,                                                                     \
      (::orvex::RendererHandle * handle, int32_t reserved, const char* accessKey,                 \
       int32_t* errorCode),                                                                       \
      (handle, reserved, accessKey, errorCode))                                                   \
    X(ORVEXAPI_GetRenderStatus, (int32_t * status), (status))                                     \
    X(ORVEXAPI_SetSceneSetting, (::orvex::RendererHandle h, const ::orvex::SceneSetting* setting), \
      (h, setting))                                                                               \
    X(ORVEXAPI_SetModelFilePath, (::orvex::RendererHandle h, const ::orvex::RChar* path), (h, path)) \
    X(ORVEXAPI_SaveToFiles, (::orvex::RendererHandle h, const ::orvex::RChar* path), (h, path))   \
    X(ORVEXAPI_FlushData, (::orvex::RendererHandle h, int64_t* slot), (h, slot))                  \
    X(ORVEXAPI_EndExport, (::orvex::RendererHandle h), (h))                                       \
    X(ORVEXAPI_DestroySession, (::orvex::RendererHandle h), (h))                                  \
    X(ORVEXAPI_BeginNode,                                                                         \
      (::orvex::RendererHandle h, const ::orvex::RChar* name, const float* transform,             \
       uint8_t flag),                                                                             \
      (h, name, transform, flag))                                                                 \
    X(ORVEXAPI_AddIndexedTriangle,                                                                \
      (::orvex::RendererHandle h, const ::orvex::RChar* label, const ::orvex::MeshData* mesh),    \
      (h, label, mesh))                                                                           \
    X(ORVEXAPI_EndNode, (::orvex::RendererHandle h), (h))                                         \
    X(ORVEXAPI_DeleteNode, (::orvex::RendererHandle h, const ::orvex::RChar* name), (h, name))    \
    X(ORVEXAPI_AddMaterial, (::orvex::RendererHandle h, const ::orvex::RChar* name), (h, name))   \
    X(ORVEXAPI_ResetMaterial, (::orvex::RendererHandle h, const ::orvex::RChar* name), (h, name)) \
    X(ORVEXAPI_SetMaterialStringProperty,                                                         \
      (::orvex::RendererHandle h, const ::orvex::RChar* material, const ::orvex::RChar* property, \
       const ::orvex::RChar* value),                                                              \
      (h, material, property, value))                                                             \
    X(ORVEXAPI_SetMaterialFloatProperty,                                                          \
      (::orvex::RendererHandle h, const ::orvex::RChar* material, const ::orvex::RChar* property, \
       float value),                                                                              \
      (h, material, property, value))                                                             \
    X(ORVEXAPI_SetMaterialIntProperty,                                                            \
      (::orvex::RendererHandle h, const ::orvex::RChar* material, const ::orvex::RChar* property, \
       int32_t value),                                                                            \
      (h, material, property, value))                                                             \
    X(ORVEXAPI_AddLight, (::orvex::RendererHandle h, const ::orvex::RChar* name), (h, name))      \
    X(ORVEXAPI_RemoveLight, (::orvex::RendererHandle h, const ::orvex::RChar* name), (h, name))   \
    X(ORVEXAPI_SetLightStringProperty,                                                            \
      (::orvex::RendererHandle h, const ::orvex::RChar* light, const ::orvex::RChar* property,    \
       const ::orvex::RChar* value),                                                              \
      (h, light, property, value))                                                                \
    X(ORVEXAPI_SetLightIntProperty,                                                               \
      (::orvex::RendererHandle h, const ::orvex::RChar* light, const ::orvex::RChar* property,    \
       int32_t value),                                                                            \
      (h, light, property, value))                                                                \
    X(ORVEXAPI_SetLightFloatProperty,                                                             \
      (::orvex::RendererHandle h, const ::orvex::RChar* light, const ::orvex::RChar* property,    \
       float value),                                                                              \
      (h, light, property, value))                                                                \
    X(ORVEXAPI_SetLightFloatArrayProperty,                                                        \
      (::orvex::RendererHandle h, const ::orvex::RChar* light, const ::orvex::RChar* property,    \
       const float* values, int64_t count),                                                       \
      (h, light, property, values, count))                                                        \
    X(ORVEXAPI_ClearLights, (::orvex::RendererHandle h), (h))                                     \
    X(ORVEXAPI_SendLights, (::orvex::RendererHandle h), (h))                                      \
    X(ORVEXAPI_SendSimpleCamera,                                                                  \
      (::orvex::RendererHandle h, const ::orvex::SimpleCamera* camera, float fov), (h, camera, fov)) \
    X(ORVEXAPI_SetCameraFloatProperty,                                                            \
      (::orvex::RendererHandle h, const ::orvex::RChar* property, float value), (h, property, value)) \
    X(ORVEXAPI_SendCurrentActiveCamera, (::orvex::RendererHandle h), (h))                         \
    X(ORVEXAPI_AddSimpleSceneView,                                                                \
      (::orvex::RendererHandle h, const ::orvex::RChar* nameId, const ::orvex::RChar* name,       \
       const ::orvex::SimpleCamera* camera, float fov),                                           \
      (h, nameId, name, camera, fov))                                                             \
    X(ORVEXAPI_DeleteSceneView, (::orvex::RendererHandle h, const ::orvex::RChar* name), (h, name)) \
    X(ORVEXAPI_SendSimpleSceneViews, (::orvex::RendererHandle h), (h))

// One typed function pointer per operation.
#define ORVEXAPI_DECLARE_POINTER(name, params, args) int32_t(*name) params = nullptr;

struct RendererApi {
    ORVEXAPI_OPERATIONS(ORVEXAPI_DECLARE_POINTER)
};

#undef ORVEXAPI_DECLARE_POINTER

// True when every operation is bound.
bool isComplete(const RendererApi& api);

} // namespace orvex
