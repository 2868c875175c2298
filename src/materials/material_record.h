// Material records as the host writes them; field names are the host's keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

// One texture map of a material ("MatExt" object).
struct ExtendMaterialRecord {
    int32_t Type = 0;
    std::u16string strFile;
    float Color[3] = {-1, -1, -1};
    int32_t nAlcolor = -1;
    int32_t nFlag = 0;
    float Value = 0;
};

struct MaterialRecord {
    int32_t _nMatDescIndex = 0;
    int32_t TypeNat = 0;
    float Transparent = 1.0f;
    float Bump = 0;
    float Diffuse[3] = {0, 0, 0};
    int32_t Diffuse_Logical = -1;
    float IOR = 0;
    float Specular[3] = {0, 0, 0};
    float Reflection = 0;
    std::u16string MaterialID_Name;
    std::u16string InterfaceName;
    int32_t m_nContaintTransparent = 0;
    float AmbientFactor = 0;
    float DiffuseFactor = 0;
    float SpecularFactor = 0;
    float Roughness = 0;
    float SpecularExponent = 0;
    float Anizotropic = 0;
    float Glossy = 0;
    int32_t Fresnel = 0;
    int32_t EmissiveIntensity = 0;
    int32_t Mat_Flags = 0;
    int32_t MixedColor = -1;
    int32_t nTimeID = -1;
    int32_t emissiveColor = 0;
    float emissiveStrength = 1.0f;
    std::vector<ExtendMaterialRecord> MatExt;
};

} // namespace orvex
