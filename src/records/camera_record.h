// The camera record shared by the camera block and every saved view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

struct CameraRecord {
    int32_t type = 0;           // "nType"
    float fieldOfView = 0;      // "_fov"
    float eye[3] = {0, 0, 0};   // "_from"
    float target[3] = {0, 0, 0}; // "_to"
    float up[3] = {0, 0, 0};    // "_up"
    std::u16string name;        // "Name"
    std::u16string nameId;      // "Name_ID"
    float nearClip = 0;         // "_fNerClipp"
};

// The views of one views block in block order, and the index of the active one.
struct ViewList {
    std::vector<CameraRecord> views;
    int32_t active = 0;
};

} // namespace orvex
