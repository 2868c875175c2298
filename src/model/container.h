// The host's binary model container ("_model.alm", "_mod.sm"): header, entry table and the
// counted readers every block uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

class ModelExchange;

enum HeaderResult : int32_t {
    kHeaderRead = 1,
    kHeaderNoFile = 2,
    kHeaderOldVersion = 3,
    kHeaderFormatError = 4,
};

void openContainer(ModelExchange& exchange);
int32_t readHeader(ModelExchange& exchange);
// A counted text at the cursor; empty when its units would run past the end of the file.
void readCountedText(ModelExchange& exchange, std::u16string& text);
// A counted id list at the cursor; empty when its values would run past the end.
void readIdList(ModelExchange& exchange, std::vector<uint32_t>& list);
void loadModelEntry(ModelExchange& exchange, int32_t index);

} // namespace orvex
