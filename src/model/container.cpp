// Opening the container, reading (or, for a missing or short file, writing) its header, and
// loading one model entry.
#include "model/container.h"

#include "core/container_reader.h"
#include "model/model_block.h"
#include "model/model_exchange.h"
#include "platform/files.h"

namespace orvex {

void openContainer(ModelExchange& ex) {
    ex.container.close();
    for (auto& c : ex.containerPath)
        if (c == u'/') c = u'\\';
    if (ex.containerBytes) {
        ex.container.openMemory(ex.containerBytes->data(), ex.containerBytes->size());
        return;
    }
    // A container that cannot be written is still read; one that does not exist is created.
    if (!canReadWrite(ex.containerPath) && ex.container.open(ex.containerPath, "rb")) return;
    if (ex.container.open(ex.containerPath, "rb+")) return;
    ex.container.open(ex.containerPath, "wb+");
}

HeaderResult readHeader(ModelExchange& ex) {
    openContainer(ex);
    if (!ex.container.isOpen()) return kHeaderNoFile;
    if (ex.container.size() < layout::kHeaderSize) {
        if (ex.containerBytes) return kHeaderFormatError; // bytes in memory are never written
        openContainer(ex);
        if (!ex.container.isOpen()) return kHeaderFormatError;
        writeContainerHeader(ex.container, ex.header);
        ex.container.close();
        return kHeaderFormatError;
    }
    return readContainerHeader(ex.container, ex.header);
}

void loadModelEntry(ModelExchange& ex, int32_t index) {
    if (readHeader(ex) != kHeaderRead || index < 0 || index >= layout::kEntrySlots || index > ex.header.entryCount) {
        ex.container.close();
        return;
    }
    const ContainerEntry& entry = ex.header.entries[static_cast<size_t>(index)];
    if (entry.kind == layout::kModelBlockKind) {
        // A negative offset lies outside any file: the block then reads as empty.
        const uint64_t block = entry.blockOffset < 0 ? ex.container.size() : uint64_t(entry.blockOffset);
        const std::u16string project = entry.project;
        readModelBlock(ex, block);
        ex.sourceProject = project;
    }
    ex.container.close();
}

} // namespace orvex
