// Fuzz target: the change directory of "_mod.sm" (entry 0, kind 4) against a scene that
// already holds solids, materials, lights and stored views, through the model
// synchronisation the host asks for. The first byte chooses whether the directory belongs
// to the loaded project (its lists are read and applied) or to another one (the scene is
// reset), whether entry 1 carries a small model block, and whether the container is read from
// memory or, as the program finds it, from "_mod.sm" in the data folder (which takes a file
// per input, but is the only way the reader's file windows are fuzzed); the rest is the
// directory.
#include "fuzz_support.h"

#include "core/container_layout.h"
#include "core/data_folder.h"
#include "model/change_tracking.h"
#include "model/model_exchange.h"
#include "scene-writer/container_writer.h"

#include <string>

namespace {

using namespace orvex;

const std::u16string kProject = u"C:\\Work\\Fuzz.plan";

// A scene as earlier synchronisations leave it: solids (one with an id past 2^31), two
// materials, an enabled and a disabled light, two stored views.
void fillScene(ModelExchange& ex) {
    for (uint32_t id : {1u, 2u, 3u, 5u, 9u, 0x80000001u, 0xFFFFFFFFu})
        ex.solidTable.record(id, 100 + id);
    MaterialRecord oak;
    oak.MaterialID_Name = u"M_Oak";
    ex.materialTable[oak.MaterialID_Name] = oak;
    MaterialRecord glass;
    glass.MaterialID_Name = u"M_Glass";
    ex.materialTable[glass.MaterialID_Name] = glass;
    LightRecord lamp;
    lamp.LightSolidID = 42;
    ex.lightTable[42] = lamp;
    LightRecord off;
    off.LightSolidID = -7;
    off.Enabled = false;
    ex.lightTable[static_cast<uint32_t>(-7)] = off;
    CameraRecord front;
    front.name = u"Front";
    CameraRecord garden;
    garden.name = u"Garden";
    ex.storedViews = {front, garden};
    ex.sourceProject = kProject;
    ex.session.projectName = kProject;
    ex.session.handle = fuzz::kSessionHandle;
}

std::string smallModelBlock() {
    writer::ModelBlockContent contents;
    writer::SolidContent solid;
    solid.id = 5;
    solid.timestamp = 7;
    writer::PartContent part;
    part.label = u"Wall";
    part.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    solid.parts.push_back(part);
    contents.solids = std::vector<writer::SolidContent>{solid};
    contents.lights = std::vector<std::u16string>{u"LightSolidID [42]\nLightSource [spot]\n"};
    return writer::encodeModelBlock(contents);
}

// The header of "_mod.sm": entry 0 the directory, entry 1 (when present) the model block.
// The model block is placed first after the header, so the directory of any length is last.
std::string header(const std::u16string& project, bool withModelBlock, size_t modelBlockSize) {
    writer::ContainerWriter container;
    const int32_t first = layout::kHeaderSize;
    container.entries.push_back({project, layout::kChangeDirectoryKind, std::string(),
                                 int32_t(first + (withModelBlock ? modelBlockSize : 0))});
    if (withModelBlock) container.entries.push_back({project, layout::kModelBlockKind, std::string(), first});
    return container.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setUp();
    fuzz::countCallsOnly();
    if (size == 0) return 0;
    static const std::string modelBlock = smallModelBlock();
    const uint8_t flags = data[0];
    const bool otherProject = flags & 1, withModelBlock = flags & 2, fromFile = flags & 4;

    static std::string headers[4];
    std::string& head = headers[flags & 3];
    if (head.empty())
        head = header(otherProject ? u"C:\\Work\\Other.plan" : kProject, withModelBlock, modelBlock.size());
    const std::string directory(reinterpret_cast<const char*>(data + 1), size - 1);

    fuzz::InputExchange input;
    ModelExchange& exchange = *input;
    const std::string_view container =
        fuzz::containerBytes(head, withModelBlock ? modelBlock + directory : directory);
    if (fromFile)
        fuzz::writeDataFile("_mod.sm", reinterpret_cast<const uint8_t*>(container.data()), container.size());
    else
        exchange.containerBytes = container;
    fillScene(exchange);
    syncModel(exchange);
    writeSyncState(exchange);
    // The same directory again: its lists now apply to what the model block brought back.
    syncModel(exchange);
    return 0;
}
