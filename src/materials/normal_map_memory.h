// Which generated normal maps can be sent as they are, so that a synchronisation that meets
// an unchanged texture sends the existing map instead of generating it again, in this
// process and in every later one.
#pragma once

#include "core/send_context.h"
#include "image/normal_map_origin.h"

#include <map>
#include <string>
#include <vector>

namespace orvex {

class NormalMapMemory : public NormalMapProvider {
public:
    // Makes sure output holds the normal map of source, with CreateNormal unless an existing
    // map can be used as it is: one this memory wrote or checked, made from source, while
    // the source still has the size, time and content hash it had then and the map the size
    // and time it had; or, in a new process, a map whose own record names the source as it
    // is now and today's parameters, with every byte as written. Anything changed, missing,
    // unreadable or cut short means a fresh generation. True when output holds the map.
    bool provide(const std::u16string& source, const std::u16string& output) override;

    // The number of maps remembered.
    size_t size() const { return maps_.size(); }

private:
    struct Known {
        std::u16string source;
        FileState sourceState;
        FileState outputState;
    };

    std::map<std::u16string, Known> maps_; // by output path
    std::vector<unsigned char> buffer_;    // for reading files, kept between calls
};

} // namespace orvex
