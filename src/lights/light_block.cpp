// Parses one light block of the model container into a LightRecord: keys tested in a fixed
// order, then the kind, the enable flag and the renderer axes settled once at the end.
#include "lights/light_block.h"

#include "core/axes.h"
#include "core/keyed_block_reader.h"

#include <string_view>

namespace orvex {

namespace {

struct KindWord {
    std::u16string_view word;
    LightKind kind;
};

constexpr KindWord kKindWords[] = {
    {u"point", LightKind::Point},
    {u"spot", LightKind::Spot},
    {u"IES", LightKind::Ies},
    {u"Area", LightKind::Area},
    {u"Line", LightKind::Line},
    {u"Led", LightKind::Led},
    {u"Emissive", LightKind::Emissive},
    {u"Camera", LightKind::Camera},
    {u"Uninitialized", LightKind::Uninitialized},
    {u"eInvalidLightParentSolidID", LightKind::InvalidParentSolid},
};

} // namespace

LightKind lightKindFromWord(const std::u16string& word) {
    for (const KindWord& entry : kKindWords)
        if (entry.word == word) return entry.kind;
    return LightKind::Point;
}

void parseLightBlock(LightRecord& record, const std::u16string& text) {
    KeyedBlockReader reader(text, u"");
    std::u16string kindWord; // an empty word maps to Point, as does a block without the line
    int32_t enable = 1;      // every block starts enabled
    int32_t version = 0;     // read so that the line is taken, not used

    std::u16string_view line;
    const auto integer = [&](std::u16string_view key, int32_t& target) {
        if (!reader.isKeyLine(line, key, Separator::Bracket)) return false;
        reader.readInts(line, key, Separator::Bracket, &target, 1);
        return true;
    };
    const auto floats = [&](std::u16string_view key, float* target, int n) {
        if (!reader.isKeyLine(line, key, Separator::Bracket)) return false;
        reader.readFloats(line, key, Separator::Bracket, target, n);
        return true;
    };
    const auto textValue = [&](std::u16string_view key, std::u16string& target) {
        if (!reader.isKeyLine(line, key, Separator::Bracket)) return false;
        target = reader.readText(line, key);
        return true;
    };
    const auto versionLine = [&] {
        if (!reader.isKeyLine(line, u"Ver", Separator::Blank)) return false;
        reader.readInts(line, u"Ver", Separator::Blank, &version, 1);
        return true;
    };

    while (reader.nextLine(line)) {
        if (!reader.acceptLine(line)) continue;
        // The first key in this order takes the line; the blank and "[" of each test prefix
        // keep "LightSource" from taking "LightSourceID" or "LightSourceIDName" lines.
        (void)(versionLine() ||
               integer(u"LightFlags", record.LightFlags) ||
               textValue(u"LightSource", kindWord) ||
               textValue(u"LightSourceIDName", record.LightSourceIDName) ||
               floats(u"From", record.From, 3) ||
               floats(u"To", record.To, 3) ||
               floats(u"Color", record.Color, 3) ||
               floats(u"Coneangle", &record.Coneangle, 1) ||
               floats(u"Conedeltaangle", &record.Conedeltaangle, 1) ||
               floats(u"Intensity", &record.Intensity, 1) ||
               floats(u"fLedIntensitiUnit", &record.fLedIntensitiUnit, 1) ||
               integer(u"LightTimeStamp:", record.LightTimeStamp) ||
               textValue(u"LightName", record.LightName) ||
               textValue(u"strIESF_FilePath", record.strIESF_FilePath) ||
               floats(u"LightTemperature", &record.LightTemperature, 1) ||
               integer(u"LightEnable:", enable) ||
               integer(u"LightSourceID", record.LightSourceID) ||
               integer(u"LightSolidID", record.LightSolidID));
    }

    record.Kind = lightKindFromWord(kindWord);
    // Positions and angles go to renderer axes exactly once, as for cameras and views.
    toRendererAxes(record.From, record.From);
    toRendererAxes(record.To, record.To);
    record.Enabled = enable != 0;
}

} // namespace orvex
