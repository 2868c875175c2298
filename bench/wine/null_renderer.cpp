// A renderer that does nothing: OrvexApi.dll exporting every operation of the list, so that
// the Wine benchmark times the program's own work. The renderer starts, opens session 1 and
// keeps reporting that it runs; every other operation only returns 0.
#include "core/renderer_api.h"

#include <cstdint>

namespace {

using orvex::RChar;
using orvex::RendererHandle;

// The three operations whose results the program reads, told apart by their parameters.
int32_t answer(const RChar*, const char*, const char*, int32_t* status) {
    *status = 0;
    return 0;
}
int32_t answer(RendererHandle* handle, int32_t, const char*, int32_t* errorCode) {
    *handle = 1;
    *errorCode = 0;
    return 0;
}
int32_t answer(int32_t* status) {
    *status = 1;
    return 0;
}
template <typename... Arguments>
int32_t answer(Arguments...) {
    return 0;
}

} // namespace

#define ORVEX_NULL_EXPORT(name, params, args)                    \
    extern "C" __declspec(dllexport) int32_t name params {       \
        return answer args;                                      \
    }
ORVEXAPI_OPERATIONS(ORVEX_NULL_EXPORT)
#undef ORVEX_NULL_EXPORT
