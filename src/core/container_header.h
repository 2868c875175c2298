// Reading and writing the container's fixed header with its entry table, from and to any
// container reader.
#pragma once

#include "core/container_layout.h"

#include <cstdint>

namespace orvex {

class ContainerReader;

enum HeaderResult : int32_t {
    kHeaderRead = 1,        // read, and it ends where it says
    kHeaderNoFile = 2,      // no file could be opened or created
    kHeaderOldVersion = 3,  // older than the program reads; nothing after the version is taken
    kHeaderFormatError = 4, // a fresh header was written, or the header end does not match
};

// Reads the header at the start into h: kHeaderRead, kHeaderOldVersion or kHeaderFormatError.
// The reader is left after the entry table.
HeaderResult readContainerHeader(ContainerReader& reader, ContainerHeader& h);
// Writes a fresh header with version 7 from the fields in h, taking the header end from
// where writing ended; the name is cut to 511 units so that it keeps its terminating zero.
void writeContainerHeader(ContainerReader& writer, ContainerHeader& h);

} // namespace orvex
