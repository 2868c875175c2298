// The maps known in this process cost one pass of the hash over the source and two file
// examinations; a map met for the first time is trusted only after its record and all of its
// bytes are checked, which still costs far less than decoding the source.
#include "materials/normal_map_memory.h"

#include "image/normal_map.h"

#include <exception>

namespace orvex {

bool NormalMapMemory::provide(const std::u16string& source, const std::u16string& output) {
    FileState before;
    const bool sourceKnown = examineFile(source, true, before, buffer_);
    FileState written;
    if (sourceKnown) {
        const auto it = maps_.find(output);
        if (it != maps_.end() && it->second.source == source && it->second.sourceState == before &&
            examineFile(output, false, written, buffer_) && written == it->second.outputState)
            return true;
        if (mapHasOrigin(output, NormalMapOrigin{before, NormalMapParameters{}}, buffer_) &&
            examineFile(output, false, written, buffer_)) {
            try {
                maps_[output] = Known{source, before, written};
            } catch (const std::exception&) { // no memory to remember: checked again next time
            }
            return true;
        }
    }
    maps_.erase(output);
    if (!sourceKnown || !CreateNormal(source, output, before)) return false;
    // Remembered only when the source kept its size and time while it was being read, so
    // that the hash taken before describes what was decoded.
    FileState after;
    if (examineFile(source, false, after, buffer_) && after.size == before.size &&
        after.modified == before.modified && examineFile(output, false, written, buffer_)) {
        try {
            maps_[output] = Known{source, before, written};
        } catch (const std::exception&) { // no memory to remember: the next call checks the file
        }
    }
    return true;
}

} // namespace orvex
