// The camera record shared by the camera block and every saved view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

// The key that fills each field is in the camera parser's table.
struct CameraRecord {
    int32_t type = 0;
    float fieldOfView = 0;
    float eye[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};
    float up[3] = {0, 0, 0};
    std::u16string name;
    std::u16string nameId;
    float nearClip = 0;
};

// The views of one views block in block order, and the index of the active one.
struct ViewList {
    std::vector<CameraRecord> views;
    int32_t active = 0;
};

} // namespace orvex
