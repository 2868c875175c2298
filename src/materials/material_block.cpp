// The material block (bare keys, no markers, nested "MatExt" objects) and the
// extended-material block inside each object (keys prefixed "ExtendMaterial_", framed by
// start and end lines). Each block's keys are tested in the fixed order of its table; the
// first key whose test prefix begins the line takes it.
#include "materials/material_block.h"

#include "core/keyed_block_reader.h"

#include <optional>
#include <string_view>
#include <variant>

namespace orvex {

namespace {

// The targets a key can fill in a record of type R. The "MatExt" objects are not in the
// table: they are tested after every key.
template <typename R>
struct Target {
    struct Unused {};  // read by the host's format, used by nothing
    using Int = int32_t R::*;
    using Float = float R::*;
    using Float3 = float (R::*)[3];
    using Text = std::u16string R::*;
    using Any = std::variant<Unused, Int, Float, Float3, Text>;
};

template <typename R>
struct Key {
    std::u16string_view name;
    Separator separator;
    typename Target<R>::Any target;
};

using M = MaterialRecord;
using MT = Target<M>;
constexpr Separator kBlank = Separator::Blank;
constexpr Separator kBracket = Separator::Bracket;

// The material keys in test order. The separator is part of each test prefix, so
// "Diffuse " never takes a "Diffuse_Logical" or "DiffuseFactor" line.
const Key<M> kMaterialKeys[] = {
    {u"TypeNat", kBlank, &M::TypeNat},
    {u"Ver", kBlank, MT::Unused{}},
    {u"InterfaceName", kBracket, &M::InterfaceName},
    {u"MaterialID_Name", kBracket, &M::MaterialID_Name},
    {u"Diffuse", kBlank, &M::Diffuse},
    {u"Diffuse_Logical", kBlank, &M::Diffuse_Logical},
    {u"AmbientFactor", kBlank, &M::AmbientFactor},
    {u"DiffuseFactor", kBlank, &M::DiffuseFactor},
    {u"SpecularFactor", kBlank, &M::SpecularFactor},
    {u"Roughness", kBlank, &M::Roughness},
    {u"SpecularExponent", kBlank, &M::SpecularExponent},
    {u"Anizotropic", kBlank, &M::Anizotropic},
    {u"Glossy", kBlank, &M::Glossy},
    {u"Fresnel", kBlank, &M::Fresnel},
    {u"Specular", kBlank, &M::Specular},
    {u"Reflection", kBlank, &M::Reflection},
    {u"Transparent", kBlank, &M::Transparent},
    {u"IOR", kBlank, &M::IOR},
    {u"Bump", kBlank, &M::Bump},
    {u"Mat_Flags", kBlank, &M::Mat_Flags},
    {u"MixedColor", kBracket, &M::MixedColor},
    {u"EmissiveIntensity", kBlank, &M::EmissiveIntensity},
    {u"_nMatDescIndex", kBracket, &M::_nMatDescIndex},
    {u"m_nContaintTransparent", kBracket, &M::m_nContaintTransparent},
    {u"emissiveColor", kBracket, &M::emissiveColor},
    {u"emissiveStrength", kBracket, &M::emissiveStrength},
    {u"nTimeID", kBracket, &M::nTimeID},
};

using E = ExtendMaterialRecord;
using ET = Target<E>;

// The extended-material keys in test order; "Value" alone takes its number bare.
const Key<E> kExtendMaterialKeys[] = {
    {u"Version", kBracket, ET::Unused{}},
    {u"nAlcolor", kBracket, &E::nAlcolor},
    {u"nFlag", kBracket, &E::nFlag},
    {u"Value", kBlank, &E::Value},
    {u"strFile", kBracket, &E::strFile},
    {u"Type", kBracket, &E::Type},
    {u"Color", kBracket, &E::Color},
};

constexpr std::u16string_view kMatExt = u"MatExt";

// Reads the line into the key's target.
template <typename R>
struct ApplyKey {
    using T = Target<R>;
    const KeyedBlockReader& reader;
    std::u16string_view line;
    const Key<R>& key;
    R& record;

    void operator()(typename T::Unused) const {}
    void operator()(typename T::Int field) const {
        reader.readInts(line, key.name, key.separator, &(record.*field), 1);
    }
    void operator()(typename T::Float field) const {
        reader.readFloats(line, key.name, key.separator, &(record.*field), 1);
    }
    void operator()(typename T::Float3 field) const {
        reader.readFloats(line, key.name, key.separator, record.*field, 3);
    }
    void operator()(typename T::Text field) const { record.*field = reader.readText(line, key.name); }
};

template <typename R>
void applyKey(const KeyedBlockReader& reader, std::u16string_view line, const Key<R>& key,
              R& record) {
    std::visit(ApplyKey<R>{reader, line, key, record}, key.target);
}

// The first key (in table order) whose test prefix begins the line; null for none.
template <typename R, size_t N>
const Key<R>* matchingKey(const KeyedBlockReader& reader, std::u16string_view line,
                          const Key<R> (&keys)[N]) {
    for (const Key<R>& key : keys)
        if (reader.isKeyLine(line, key.name, key.separator)) return &key;
    return nullptr;
}

} // namespace

void parseMaterialBlock(MaterialRecord& record, const std::u16string& text) {
    KeyedBlockReader reader(text, u"");
    std::u16string_view line;
    while (reader.nextLine(line)) {
        if (!reader.acceptLine(line)) continue;
        if (const Key<M>* key = matchingKey(reader, line, kMaterialKeys)) {
            applyKey(reader, line, *key, record);
            continue;
        }
        // Last in the order: an object start line, whatever follows "_ObjectSTART" on it.
        if (!reader.isObjectStart(line, kMatExt)) continue;
        // An object still open when the text ends is dropped, and so is the rest of the
        // text: the reader is then at its end.
        if (std::optional<std::u16string> object = reader.collectObject(kMatExt)) {
            ExtendMaterialRecord map;
            parseExtendMaterialBlock(map, *object);
            record.MatExt.push_back(std::move(map));
        }
    }
    if (record.Roughness < 0) record.Roughness = 0;
}

void parseExtendMaterialBlock(ExtendMaterialRecord& record, const std::u16string& text) {
    KeyedBlockReader reader(text, u"ExtendMaterial");
    std::u16string_view line;
    while (reader.nextLine(line)) {
        if (!reader.acceptLine(line)) continue;
        if (const Key<E>* key = matchingKey(reader, line, kExtendMaterialKeys))
            applyKey(reader, line, *key, record);
    }
}

} // namespace orvex
