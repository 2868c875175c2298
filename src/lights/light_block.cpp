// Parses one light block of the model container into a LightRecord: keys tested in a fixed
// order, then the kind, the enable flag and the renderer axes settled once at the end.
#include "lights/light_block.h"

#include "core/axes.h"
#include "core/keyed_block_table.h"

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

// The record with the two values that are settled only at the end of the block.
struct LightLines : LightRecord {
    std::u16string kindWord; // an empty word maps to Point, as does a block without the line
    int32_t enable = 1;      // every block starts enabled
};

using L = LightLines;
constexpr Separator kBracket = Separator::Bracket;

// The first key in this order takes the line; the blank and "[" of each test prefix keep
// "LightSource" from taking "LightSourceID" or "LightSourceIDName" lines.
const Key<L> kLightKeys[] = {
    {u"Ver", Separator::Blank, Target<L>::Unused{}},
    {u"LightFlags", kBracket, &L::LightFlags},
    {kLightKindKey, kBracket, &L::kindWord},
    {u"LightSourceIDName", kBracket, &L::LightSourceIDName},
    {u"From", kBracket, &L::From},
    {u"To", kBracket, &L::To},
    {u"Color", kBracket, &L::Color},
    {u"Coneangle", kBracket, &L::Coneangle},
    {u"Conedeltaangle", kBracket, &L::Conedeltaangle},
    {u"Intensity", kBracket, &L::Intensity},
    {u"fLedIntensitiUnit", kBracket, &L::fLedIntensitiUnit},
    {u"LightTimeStamp:", kBracket, &L::LightTimeStamp},
    {u"LightName", kBracket, &L::LightName},
    {u"strIESF_FilePath", kBracket, &L::strIESF_FilePath},
    {u"LightTemperature", kBracket, &L::LightTemperature},
    {u"LightEnable:", kBracket, &L::enable},
    {u"LightSourceID", kBracket, &L::LightSourceID},
    {u"LightSolidID", kBracket, &L::LightSolidID},
};

const KindWord* findKindWord(std::u16string_view word) {
    for (const KindWord& entry : kKindWords)
        if (entry.word == word) return &entry;
    return nullptr;
}

} // namespace

bool isLightKindWord(std::u16string_view word) { return findKindWord(word) != nullptr; }

LightKind lightKindFromWord(std::u16string_view word) {
    const KindWord* entry = findKindWord(word);
    return entry ? entry->kind : LightKind::Point;
}

void parseLightBlock(LightRecord& record, const std::u16string& text) {
    LightLines lines;
    static_cast<LightRecord&>(lines) = std::move(record);
    readKeyedBlock(text, u"", kLightKeys, lines);
    record = std::move(static_cast<LightRecord&>(lines));
    record.Kind = lightKindFromWord(lines.kindWord);
    // Positions and angles go to renderer axes exactly once, as for cameras and views.
    toRendererAxes(record.From, record.From);
    toRendererAxes(record.To, record.To);
    record.Enabled = lines.enable != 0;
}

} // namespace orvex
