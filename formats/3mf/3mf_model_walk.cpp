// Walks the XML tree of a 3MF model part: objects with their vertices and
// triangles, colour groups, base materials and colours, build items,
// components and metadata.
//
// The walk keeps its own stack of open elements instead of recursing, so the
// nesting of a file cannot exhaust the call stack. Colour look-ups go through
// maps kept up to date as materials are read (a later material with the same
// group and index wins, as the newest-first material list would give).
#include <map>
#include <new>
#include <unordered_map>

#include "formats/3mf/3mf_parts.h"
#include "formats/imported_model.h"
#include "formats/textio/grow_append.h"
#include "formats/textio/number_text.h"
#include "formats/textio/utf8_text.h"

namespace torvane {
namespace {

constexpr char kCoreNamespace[] = "http://schemas.microsoft.com/3dmanufacturing/core/2015/02";
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

struct ObjectState {
  std::list<ImportedMesh>::iterator mesh;
  Colour32 colour = kOpaqueBlack;
  bool ownColour = false;
  bool trianglesColoured = false;
};

class ModelWalker {
 public:
  ModelWalker(const XmlDocument& document, ProgressMonitor& monitor, ImportedModel& model)
      : doc_(document), monitor_(monitor), model_(model) {}

  LoadResult Walk() {
    struct Frame {
      const XmlNode* next;
      bool object;
    };
    std::vector<Frame> stack{{doc_.Root().firstChild, false}};
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (!frame.next) {
        const bool object = frame.object;
        stack.pop_back();
        if (object && !EndObject()) return kFailed;
        continue;
      }
      const XmlNode& node = *frame.next;
      frame.next = node.nextSibling;
      if (monitor_.IsCancelled()) return kCancelled;
      if (node.name.length == 0) continue;  // text
      const Element element = ElementOf(doc_.Name(node));
      if (!Enter(element, node)) return kFailed;
      if (HasWalkedChildren(element))
        stack.push_back({node.firstChild, element == Element::kObject});
    }
    return kLoaded;
  }

 private:
  std::optional<std::string_view> Attr(const XmlNode& node, std::string_view name) const {
    return FindAttribute(doc_, node, name);
  }
  std::string AttrOr(const XmlNode& node, std::string_view name, std::string_view fallback) const {
    return GetAttribute(doc_, node, name, fallback);
  }

  bool Enter(Element element, const XmlNode& node) {
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

  void StoreModelAttributes(const XmlNode& node) {
    PropertyBag& p = model_.properties;
    p.Set("Model:unit", AttrOr(node, "unit", "millimeter"));
    p.Set("Model:xml:lang", AttrOr(node, "xml:lang", "en-US"));
    p.Set("Model:xmlns", AttrOr(node, "xmlns", kCoreNamespace));
    p.Set("Model:xmlns:m", AttrOr(node, "xmlns:m", kMaterialNamespace));
  }

  void StoreMetadata(const XmlNode& node) {
    auto name = Attr(node, "name");
    if (!name || name->empty()) return;
    std::string text;
    for (const XmlNode* child = node.firstChild; child; child = child->nextSibling)
      if (child->name.length == 0) text += doc_.Text(*child);
    model_.properties.Set(*name == "Title" ? std::string("ModelName") : std::string(*name), text);
  }

  void StoreBuildItem(const XmlNode& node) {
    auto id = Attr(node, "objectid");
    if (!id) return;
    const std::string key(*id);
    model_.properties.Set("BuildItem:object_" + key, key);
    if (auto transform = Attr(node, "transform"))
      model_.properties.Set("BuildItem:transform_" + key, std::string(*transform));
    if (auto part = Attr(node, "partnumber"))
      model_.properties.Set("BuildItem:partnumber_" + key, std::string(*part));
  }

  bool AddColourMaterial(Element element, const XmlNode& node) {
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

  bool BeginObject(const XmlNode& node) {
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

  bool AddVertex(const XmlNode& node) {
    if (objects_.empty()) return true;
    float c[3] = {0.0f, 0.0f, 0.0f};
    const char* names[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i)
      if (auto value = Attr(node, names[i])) ParseLeadingFloat(*value, c[i]);
    return AppendValue(objects_.back().mesh->positions, Vec3{c[0], c[1], c[2]});
  }

  bool AddTriangle(const XmlNode& node) {
    if (objects_.empty()) return true;
    ObjectState& state = objects_.back();
    ImportedMesh& mesh = *state.mesh;
    const char* names[3] = {"v1", "v2", "v3"};
    for (const char* name : names) {
      int64_t v = 0;
      if (auto value = Attr(node, name)) v = ParseInteger(*value);
      // Negative or oversized indices become one the range check refuses.
      const uint32_t index = v < 0 || v > 0xFFFFFFFE ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
      if (!AppendValue(mesh.indices, index)) return false;
    }
    Colour32 corner[3] = {state.colour, state.colour, state.colour};
    if (auto p1 = Attr(node, "p1")) {
      const std::string group(Attr(node, "pid").value_or(groupId_));
      corner[0] = Lookup(group, *p1, state.colour);
      auto p2 = Attr(node, "p2");
      auto p3 = Attr(node, "p3");
      corner[1] = p2 ? Lookup(group, *p2, state.colour) : corner[0];
      corner[2] = p3 ? Lookup(group, *p3, state.colour) : corner[0];
      state.trianglesColoured = true;
    } else if (auto ids = Attr(node, "colorid")) {
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

  const XmlDocument& doc_;
  ProgressMonitor& monitor_;
  ImportedModel& model_;
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
    ModelWalker walker(document, monitor, model);
    return walker.Walk();
  } catch (const std::bad_alloc&) {
    return kFailed;
  }
}

}  // namespace torvane
