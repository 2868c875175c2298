// Parsers of the material block and of the extended-material blocks nested in it.
#pragma once

#include "materials/material_record.h"

#include <string>

namespace orvex {

void parseMaterialBlock(MaterialRecord& record, const std::u16string& text);
void parseExtendMaterialBlock(ExtendMaterialRecord& record, const std::u16string& text);

} // namespace orvex
