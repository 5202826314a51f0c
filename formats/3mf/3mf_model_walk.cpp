// Walks the elements of a 3MF model part, as the XML parser reports them:
// objects with their vertices and triangles, colour groups, base materials
// and colours, build items, components and metadata. Elements the format
// does not walk into are passed over with everything inside them.
//
// The walk takes the parser's events (start, text, end) and keeps only a
// stack of the open walked elements, so vertices and triangles go straight
// from the text into the mesh arrays and no nesting depth can exhaust the
// call stack. A tree already parsed is walked by replaying it as events.
// Colour look-ups go through maps kept up to date as materials are read (a
// later material with the same group and index wins, as the newest-first
// material list would give).
#include <map>
#include <new>
#include <unordered_map>
#include <vector>

#include "formats/3mf/3mf_parts.h"
#include "formats/imported_model.h"
#include "formats/textio/grow_append.h"
#include "formats/textio/number_text.h"
#include "formats/textio/utf8_text.h"
#include "formats/xml/xml.h"
#include "formats/xml/xml_events.h"

namespace torvane {
namespace {

constexpr char kMaterialNamespace[] =
    "http://schemas.microsoft.com/3dmanufacturing/material/2015/02";

enum class Element {
  kOther,
  kModel,
  kMetadata,
  kBuild,
  kResources,
  kObject,
  kBaseMaterials,
  kBase,
  kColorGroup,
  kGroupColor,
  kColor,
  kMesh,
  kItem,
  kComponents,
  kVertices,
  kTriangles,
  kComponent,
  kVertex,
  kTriangle,
};

Element ElementOf(std::string_view name) {
  static const std::unordered_map<std::string_view, Element> kNames = {
      {"model", Element::kModel},
      {"metadata", Element::kMetadata},
      {"build", Element::kBuild},
      {"resources", Element::kResources},
      {"object", Element::kObject},
      {"basematerials", Element::kBaseMaterials},
      {"base", Element::kBase},
      {"m:colorgroup", Element::kColorGroup},
      {"m:color", Element::kGroupColor},
      {"color", Element::kColor},
      {"mesh", Element::kMesh},
      {"item", Element::kItem},
      {"components", Element::kComponents},
      {"vertices", Element::kVertices},
      {"triangles", Element::kTriangles},
      {"component", Element::kComponent},
      {"vertex", Element::kVertex},
      {"triangle", Element::kTriangle},
  };
  // Vertices and triangles are nearly every element of a large model.
  if (name == "vertex") return Element::kVertex;
  if (name == "triangle") return Element::kTriangle;
  auto it = kNames.find(name);
  return it == kNames.end() ? Element::kOther : it->second;
}

// Elements whose children are walked.
bool HasWalkedChildren(Element e) {
  switch (e) {
    case Element::kModel:
    case Element::kBuild:
    case Element::kResources:
    case Element::kObject:
    case Element::kBaseMaterials:
    case Element::kColorGroup:
    case Element::kMesh:
    case Element::kComponents:
    case Element::kVertices:
    case Element::kTriangles:
      return true;
    default:
      return false;
  }
}

int64_t ParseInteger(std::string_view text) {
  int64_t value = 0;
  ParseLeadingInt(text, value);
  return value;
}

// An index attribute: plain digits in one pass, anything else by the
// general rule.
int64_t ParseIndex(std::string_view text) {
  if (!text.empty() && text.size() <= 9) {
    uint32_t value = 0;
    size_t i = 0;
    for (; i < text.size() && static_cast<unsigned>(text[i] - '0') <= 9; ++i)
      value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    if (i == text.size()) return value;
  }
  return ParseInteger(text);
}

// Negative or oversized indices become one the range check refuses.
uint32_t IndexValue(int64_t v) {
  return v < 0 || v > 0xFFFFFFFE ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

struct ObjectState {
  std::list<ImportedMesh>::iterator mesh;
  Colour32 colour = kOpaqueBlack;
  bool ownColour = false;
  bool trianglesColoured = false;
};

class ModelWalker : public XmlHandler {
 public:
  ModelWalker(ProgressMonitor& monitor, ImportedModel& model) : monitor_(monitor), model_(model) {}

  // kLoaded unless an event stopped the walk.
  LoadResult result() const { return result_; }

  bool StartElement(const XmlTag& tag) override {
    if (ignoredDepth_ > 0) {
      if (tag.open) ++ignoredDepth_;
      return true;
    }
    if (monitor_.IsCancelled()) return Stop(kCancelled);
    const Element element = ElementOf(tag.name);
    if (!Enter(element, tag)) return Stop(kFailed);
    if (!tag.open) return Leave(element);  // no content: it ends here
    if (HasWalkedChildren(element)) {
      open_.push_back(element);
    } else {
      ignoredDepth_ = 1;
      ignored_ = element;
    }
    return true;
  }

  bool EndElement() override {
    if (ignoredDepth_ > 0) {
      if (--ignoredDepth_ == 0) return Leave(ignored_);
      return true;
    }
    if (open_.empty()) return true;
    const Element element = open_.back();
    open_.pop_back();
    return Leave(element);
  }

  // Only the texts directly inside a metadata element are kept.
  bool Text(std::string_view text) override {
    if (ignoredDepth_ == 1 && ignored_ == Element::kMetadata && metadataOpen_)
      metadataText_.append(text);
    return true;
  }

 private:
  bool Stop(LoadResult result) {
    result_ = result;
    return false;
  }

  bool Leave(Element element) {
    if (element == Element::kObject && !EndObject()) return Stop(kFailed);
    if (element == Element::kMetadata) FinishMetadata();
    return true;
  }

  static std::optional<std::string_view> Attr(const XmlTag& tag, std::string_view name) {
    return FindAttribute(tag.attributes, name);
  }
  static std::string AttrOr(const XmlTag& tag, std::string_view name, std::string_view fallback) {
    return std::string(FindAttribute(tag.attributes, name).value_or(fallback));
  }

  bool Enter(Element element, const XmlTag& node) {
    switch (element) {
      case Element::kModel:
        StoreModelAttributes(node);
        return true;
      case Element::kMetadata:
        StoreMetadata(node);
        return true;
      case Element::kObject:
        return BeginObject(node);
      case Element::kBaseMaterials:
      case Element::kColorGroup:
        groupId_ = AttrOr(node, "id", "1");
        groupPosition_ = 0;
        return true;
      case Element::kBase:
      case Element::kGroupColor:
      case Element::kColor:
        return AddColourMaterial(element, node);
      case Element::kItem:
        StoreBuildItem(node);
        return true;
      case Element::kComponent:
        if (auto id = Attr(node, "objectid"); id && Attr(node, "transform"))
          model_.properties.Set("Component:transform_" + std::string(*id),
                                std::string(*Attr(node, "transform")));
        return true;
      case Element::kVertices:
        monitor_.SetText("Loading vertices...", 0);
        return true;
      case Element::kTriangles:
        monitor_.SetText("Loading faces...", 0);
        return true;
      case Element::kVertex:
        return AddVertex(node);
      case Element::kTriangle:
        return AddTriangle(node);
      default:
        return true;
    }
  }

  void StoreModelAttributes(const XmlTag& node) {
    PropertyBag& p = model_.properties;
    p.Set("Model:unit", AttrOr(node, "unit", "millimeter"));
    p.Set("Model:xml:lang", AttrOr(node, "xml:lang", "en-US"));
    p.Set("Model:xmlns", AttrOr(node, "xmlns", kCoreNamespace));
    p.Set("Model:xmlns:m", AttrOr(node, "xmlns:m", kMaterialNamespace));
  }

  // The metadata's text is gathered until the element ends.
  void StoreMetadata(const XmlTag& node) {
    auto name = Attr(node, "name");
    metadataOpen_ = name && !name->empty();
    if (!metadataOpen_) return;
    metadataKey_ = *name == "Title" ? std::string("ModelName") : std::string(*name);
    metadataText_.clear();
  }

  void FinishMetadata() {
    if (!metadataOpen_) return;
    metadataOpen_ = false;
    model_.properties.Set(metadataKey_, metadataText_);
  }

  void StoreBuildItem(const XmlTag& node) {
    auto id = Attr(node, "objectid");
    if (!id) return;
    const std::string key(*id);
    model_.properties.Set("BuildItem:object_" + key, key);
    if (auto transform = Attr(node, "transform"))
      model_.properties.Set("BuildItem:transform_" + key, std::string(*transform));
    if (auto part = Attr(node, "partnumber"))
      model_.properties.Set("BuildItem:partnumber_" + key, std::string(*part));
  }

  bool AddColourMaterial(Element element, const XmlTag& node) {
    ImportedMaterial material;
    uint32_t index = 0;
    std::string colourText;
    if (element == Element::kBase) {
      index = groupPosition_++;
      material.metadata.Set("name", AttrOr(node, "name", "1"));
      material.metadata.Set("BaseMaterialID", groupId_);
      colourText = AttrOr(node, "displaycolor", "#000000");
    } else if (element == Element::kGroupColor) {
      index = groupPosition_++;
      material.metadata.Set("ColorGroupID", groupId_);
      colourText = AttrOr(node, "color", "#000000");
    } else {
      const std::string id = AttrOr(node, "id", "");
      index = static_cast<uint32_t>(ParseInteger(id));
      material.metadata.Set("ColorID", id);
      colourText = AttrOr(node, "value", "#000000");
    }
    material.ambient = Parse3mfColour(colourText);
    material.hasAmbient = true;
    ImportedMaterial& added = AddMaterial(model_, std::move(material));
    added.materialId = static_cast<uint16_t>(index);
    if (element == Element::kColor) {
      byColourId_[added.metadata.GetOr("ColorID", "")] = added.ambient;
    } else {
      // Base materials are found by their group id like colour groups.
      byGroup_[groupId_][index] = added.ambient;
    }
    return true;
  }

  Colour32 Lookup(std::string_view group, std::string_view index, Colour32 fallback) const {
    if (group.empty()) {
      auto it = byColourId_.find(std::string(index));
      return it == byColourId_.end() ? fallback : it->second;
    }
    auto g = byGroup_.find(std::string(group));
    if (g == byGroup_.end()) return fallback;
    const int64_t i = ParseInteger(index);
    if (i < 0 || i > 0xFFFFFFFF) return fallback;
    auto c = g->second.find(static_cast<uint32_t>(i));
    return c == g->second.end() ? fallback : c->second;
  }

  bool BeginObject(const XmlTag& node) {
    ImportedMesh& mesh = AppendMesh(model_);
    mesh.metadata.Set("id", AttrOr(node, "id", "1"));
    mesh.metadata.Set("type", AttrOr(node, "type", "model"));
    for (const char* key : {"pid", "pindex", "thumbnail", "partnumber", "name"})
      if (auto value = Attr(node, key)) mesh.metadata.Set(key, std::string(*value));
    ObjectState state;
    state.mesh = std::prev(model_.meshes.end());
    auto pid = Attr(node, "pid");
    auto pindex = Attr(node, "pindex");
    if (pid && pindex) {
      state.colour = Lookup(*pid, *pindex, kOpaqueBlack);
      state.ownColour = true;
      mesh.metadata.SetInt("ObjectDefaultColor", static_cast<int32_t>(state.colour));
    }
    objects_.push_back(state);
    return true;
  }

  bool EndObject() {
    ObjectState state = objects_.back();
    objects_.pop_back();
    ImportedMesh& mesh = *state.mesh;
    if (!state.trianglesColoured && !state.ownColour) mesh.colours.Free();
    if (state.trianglesColoured && !model_.materials.empty()) {
      MaterialRef ref;
      ref.materialId = model_.materials.front().materialId;
      ref.firstCorner = 0;
      ref.endCorner = mesh.indices.length();
      mesh.materialRefs.push_front(std::move(ref));
    }
    if (mesh.indices.empty()) model_.meshes.erase(state.mesh);
    return true;
  }

  bool AddVertex(const XmlTag& node) {
    if (objects_.empty()) return true;
    // One pass over the attributes; a repeated name keeps its last value.
    std::optional<std::string_view> text[3];
    for (const XmlAttributeView& a : node.attributes)
      if (a.name.size() == 1 && a.name[0] >= 'x' && a.name[0] <= 'z')
        text[a.name[0] - 'x'] = a.value;
    float c[3] = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 3; ++i)
      if (text[i]) ParseLeadingFloat(*text[i], c[i]);
    return AppendValue(objects_.back().mesh->positions, Vec3{c[0], c[1], c[2]});
  }

  bool AddTriangle(const XmlTag& node) {
    if (objects_.empty()) return true;
    ObjectState& state = objects_.back();
    ImportedMesh& mesh = *state.mesh;
    // One pass over the attributes; a repeated name keeps its last value.
    std::optional<std::string_view> v[3], p[3], pid, ids;
    for (const XmlAttributeView& a : node.attributes) {
      const std::string_view name = a.name;
      if (name.size() == 2 && name[1] >= '1' && name[1] <= '3') {
        if (name[0] == 'v') v[name[1] - '1'] = a.value;
        if (name[0] == 'p') p[name[1] - '1'] = a.value;
      } else if (name == "pid") {
        pid = a.value;
      } else if (name == "colorid") {
        ids = a.value;
      }
    }
    const uint32_t corners = mesh.indices.length();
    if (!mesh.indices.ResizeKeep(size_t{corners} + 3)) return false;
    uint32_t* index = mesh.indices.MutableData() + corners;
    for (int i = 0; i < 3; ++i)
      index[i] = IndexValue(v[i] ? ParseIndex(*v[i]) : 0);
    Colour32 corner[3] = {state.colour, state.colour, state.colour};
    if (p[0]) {
      const std::string group(pid.value_or(groupId_));
      corner[0] = Lookup(group, *p[0], state.colour);
      corner[1] = p[1] ? Lookup(group, *p[1], state.colour) : corner[0];
      corner[2] = p[2] ? Lookup(group, *p[2], state.colour) : corner[0];
      state.trianglesColoured = true;
    } else if (ids) {
      std::string_view rest = *ids;
      for (int i = 0; i < 3 && !rest.empty(); ++i) {
        const size_t comma = rest.find(',');
        std::string_view id = rest.substr(0, comma);
        while (!id.empty() && IsTokenSpace(id.front()))
          id.remove_prefix(1);
        while (!id.empty() && IsTokenSpace(id.back()))
          id.remove_suffix(1);
        corner[i] = Lookup("", id, state.colour);
        if (i == 0) corner[1] = corner[2] = corner[0];
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
      }
      state.trianglesColoured = true;
    }
    // Colours are kept only for objects that have some: the corners before
    // the first coloured triangle take the object's colour.
    if (!state.ownColour && !state.trianglesColoured) return true;
    const uint32_t before = mesh.indices.length() - 3;
    if (mesh.colours.length() < before) {
      const uint32_t from = mesh.colours.length();
      if (!mesh.colours.ResizeKeep(before)) return false;
      Colour32* colours = mesh.colours.MutableData();
      for (uint32_t k = from; k < before; ++k)
        colours[k] = state.colour;
    }
    for (Colour32 c : corner)
      if (!AppendValue(mesh.colours, c)) return false;
    return true;
  }

  ProgressMonitor& monitor_;
  ImportedModel& model_;
  LoadResult result_ = kLoaded;
  std::vector<Element> open_;  // the open walked elements
  uint32_t ignoredDepth_ = 0;  // depth inside an element that is not walked
  Element ignored_ = Element::kOther;
  bool metadataOpen_ = false;
  std::string metadataKey_;
  std::string metadataText_;
  std::vector<ObjectState> objects_;
  std::string groupId_;
  uint32_t groupPosition_ = 0;
  std::unordered_map<std::string, std::unordered_map<uint32_t, Colour32>> byGroup_;
  std::unordered_map<std::string, Colour32> byColourId_;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Colour32 Parse3mfColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  Colour32 colour = kOpaqueBlack;
  const int shifts[4] = {16, 8, 0, 24};
  for (int i = 0; i < 4; ++i) {
    if (text.size() < 2 * static_cast<size_t>(i) + 2) break;
    const int high = HexDigit(text[2 * i]);
    const int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) break;
    colour =
        (colour & ~(0xFFu << shifts[i])) | (static_cast<uint32_t>(high * 16 + low) << shifts[i]);
  }
  return colour;
}

LoadResult Walk3mfModel(const XmlDocument& document, ProgressMonitor& monitor,
                        ImportedModel& model) {
  try {
    ModelWalker walker(monitor, model);
    ReplayXmlDocument(document, walker);
    return walker.result();
  } catch (const std::bad_alloc&) {
    return kFailed;
  }
}

LoadResult Stream3mfModel(XmlPull& text, ProgressMonitor& monitor, ImportedModel& model,
                          size_t blockSize) {
  try {
    ModelWalker walker(monitor, model);
    const XmlParseResult parsed = ParseXmlStream(text, &monitor, walker, nullptr, blockSize);
    if (parsed == XmlParseResult::kCancelled) return kCancelled;
    if (parsed == XmlParseResult::kStopped && walker.result() == kLoaded) return kFailed;
    return walker.result();
  } catch (const std::bad_alloc&) {
    return kFailed;
  }
}

}  // namespace torvane
