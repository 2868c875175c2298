// OrvexApi.dll is looked up by its bare name (the program's folder first, then the system's
// search order), and each operation by its exported name, the same name it has in the
// operation list.
#include "app/win32/renderer_library.h"

#include <windows.h>

namespace orvex::win32 {

namespace {

RendererApi bind() {
    RendererApi api;
    // A missing or broken library must come back as a null handle, not as a loader error
    // box in front of the user; the session start then reports the renderer as missing.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const HMODULE library = LoadLibraryW(L"OrvexApi.dll");
    if (!library) return api;
    // GetProcAddress hands out a generic function pointer; the operation list gives each
    // its real type. (Going through void(*)() keeps the cast free of type warnings.)
#define ORVEX_BIND_OPERATION(name, params, args)                                                     \
    api.name = reinterpret_cast<decltype(api.name)>(                                                \
        reinterpret_cast<void (*)()>(GetProcAddress(library, #name)));
    ORVEXAPI_OPERATIONS(ORVEX_BIND_OPERATION)
#undef ORVEX_BIND_OPERATION
    return api;
}

} // namespace

const RendererApi& rendererLibrary() {
    static const RendererApi api = bind();
    return api;
}

} // namespace orvex::win32
