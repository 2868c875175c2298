// A parsed material to the renderer.
#pragma once

#include "core/send_context.h"
#include "materials/material_record.h"

namespace orvex {

// Adds the material and sends its mapping. A generated normal map is asked of the context's
// provider and sent only when the provider has it; without a provider none is sent.
void sendMaterial(const SendContext& context, const MaterialRecord& record);

} // namespace orvex
