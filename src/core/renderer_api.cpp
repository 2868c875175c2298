// Checks on a bound renderer table.
#include "core/renderer_api.h"

namespace orvex {

bool isComplete(const RendererApi& api) {
#define ORVEX_CHECK_BOUND(name, params, args) \
    if (api.name == nullptr) return false;
    ORVEXAPI_OPERATIONS(ORVEX_CHECK_BOUND)
#undef ORVEX_CHECK_BOUND
    return true;
}

} // namespace orvex
