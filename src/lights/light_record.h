// Light records in renderer axes; field names are the host's keys.
#pragma once

#include <cstdint>
#include <string>

namespace orvex {

enum class LightKind : int32_t {
    Point = 0,
    Spot = 1,
    Ies = 2,
    Area = 3,
    Line = 4,
    Led = 5,
    Emissive = 6,
    Camera = 7,
    Uninitialized = -1,
    InvalidParentSolid = -88888888,
};

struct LightRecord {
    float From[3] = {0, 0, 0};
    float To[3] = {0, 0, 0};
    float Color[3] = {0, 0, 0};
    std::u16string strIESF_FilePath;
    float LightTemperature = 0;
    int32_t LightSourceID = 0;
    int32_t LightSolidID = 0;
    int32_t LightTimeStamp = 0;
    LightKind Kind = LightKind::Uninitialized;
    float Coneangle = 0;
    float Conedeltaangle = 0;
    float Intensity = 0;
    float fLedIntensitiUnit = 0;
    int32_t LightFlags = 0;
    std::u16string LightSourceIDName;
    std::u16string LightName;
    bool Enabled = true;
};

} // namespace orvex
