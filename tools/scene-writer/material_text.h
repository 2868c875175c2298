// Material block texts as the host writes them: bare keys, numbers with or without
// brackets as each key wants, and one "MatExt" object per texture map.
#pragma once

#include "materials/material_record.h"

#include <cstdint>
#include <string>

namespace orvex::scene {

// Every key of the material block in the host's order, one line each ("TypeNat 17",
// "Ver 3", "InterfaceName [Oak floor]", "MaterialID_Name [M_12]", "Diffuse 0.8 0.6 0.2",
// ..., "nTimeID [42]"), then one "MatExt" object per map. Lines end with a line feed;
// floats are the shortest decimal that reads back to the same value.
std::u16string materialBlockText(const MaterialRecord& record, int32_t version = 3);
// One "MatExt" object: its opening line, the framed extended-material block, its closing line.
std::u16string matExtObjectText(const ExtendMaterialRecord& map);
// ExtendMaterial_Start, "ExtendMaterial_Version [1]", Type, nFlag, nAlcolor, Color,
// strFile, "ExtendMaterial_Value 0.8" (the one bare number), ExtendMaterial_End.
std::u16string extendMaterialBlockText(const ExtendMaterialRecord& map);

} // namespace orvex::scene
