#include "app/declaration_json.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "platform/code_page.h"

namespace vaultara::app {

namespace {

using data::FieldType;

struct TypeName {
  FieldType type;
  const char* name;
};
constexpr std::array<TypeName, 15> kTypeNames = {{
    {FieldType::kByte, "BYTE"},
    {FieldType::kShort, "SHORT"},
    {FieldType::kUShort, "USHORT"},
    {FieldType::kDate, "DATE"},
    {FieldType::kTime, "TIME"},
    {FieldType::kLong, "LONG"},
    {FieldType::kULong, "ULONG"},
    {FieldType::kSReal, "SREAL"},
    {FieldType::kReal, "REAL"},
    {FieldType::kDecimal, "DECIMAL"},
    {FieldType::kPDecimal, "PDECIMAL"},
    {FieldType::kString, "STRING"},
    {FieldType::kCString, "CSTRING"},
    {FieldType::kPString, "PSTRING"},
    {FieldType::kGroup, "GROUP"},
}};

std::string TypeNameOf(uint8_t type) {
  for (const TypeName& t : kTypeNames) {
    if (static_cast<uint8_t>(t.type) == type) return t.name;
  }
  return "TYPE" + std::to_string(type);
}

std::optional<FieldType> TypeNamed(const std::string& name) {
  for (const TypeName& t : kTypeNames) {
    if (name == t.name) return t.type;
  }
  return std::nullopt;
}

bool IsText(FieldType type) {
  return type == FieldType::kString || type == FieldType::kCString || type == FieldType::kPString;
}

JsonValue Text(const std::string& windows1252) {
  return JsonValue::String(platform::Utf8FromWindows1252(windows1252));
}

JsonValue Count(uint64_t n) { return JsonValue::Number(n); }

// The name a memo or key is shown by, and its label when that differs.
void AddNames(const std::string& name, const std::string& label, JsonValue* object) {
  object->Add("name", Text(name.empty() ? label : name));
  if (!name.empty() && name != label) object->Add("label", Text(label));
}

JsonValue FieldJson(const store::StoredField& f) {
  JsonValue field = JsonValue::Object();
  field.Add("name", Text(f.name));
  field.Add("type", JsonValue::String(TypeNameOf(f.type)));
  const auto type = static_cast<FieldType>(f.type);
  if (IsText(type)) {
    field.Add("length", Count(f.element_length));
    if (!f.picture.empty()) field.Add("picture", Text(f.picture));
  } else if (type == FieldType::kDecimal || type == FieldType::kPDecimal) {
    field.Add("size", Count(2u * f.element_size - 1));
    field.Add("places", Count(f.places));
  } else if (type == FieldType::kGroup) {
    field.Add("size", Count(f.count > 0 ? f.size / f.count : f.size));
  }
  if (f.count > 1) field.Add("count", Count(f.count));
  if (f.overlay) field.Add("overlay", JsonValue::Bool(true));
  return field;
}

JsonValue MemoJson(const store::StoredMemo& m) {
  JsonValue memo = JsonValue::Object();
  AddNames(m.name, m.label, &memo);
  if (m.blob()) {
    memo.Add("blob", JsonValue::Bool(true));
  } else {
    memo.Add("size", Count(m.size));
  }
  memo.Add("binary", JsonValue::Bool(m.binary()));
  return memo;
}

JsonValue KeyJson(const store::StoredKey& k, const std::vector<store::StoredField>& fields) {
  namespace s = store::stored_key_flag;
  JsonValue key = JsonValue::Object();
  AddNames(k.name, k.label, &key);
  JsonValue components = JsonValue::Array();
  for (const store::StoredComponent& c : k.components) {
    const std::string name =
        c.field < fields.size() ? fields[c.field].name : "#" + std::to_string(c.field + 1);
    components.Append(Text((c.descending ? "-" : "+") + name));
  }
  key.Add("components", std::move(components));
  key.Add("primary", JsonValue::Bool((k.flags & s::kPrimary) != 0));
  key.Add("dup", JsonValue::Bool((k.flags & s::kDuplicates) != 0));
  key.Add("opt", JsonValue::Bool((k.flags & s::kOptional) != 0));
  key.Add("nocase", JsonValue::Bool((k.flags & s::kNoCase) != 0));
  if (k.flags & s::kIndex) key.Add("index", JsonValue::Bool(true));
  return key;
}

// ---- Reading -----------------------------------------------------------

class Reader {
 public:
  explicit Reader(std::string* error) : error_(*error) {}

  bool Fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
  }

  // A Windows-1252 text from a JSON member that must be a text.
  bool TextOf(const JsonValue& object, const char* member, bool required, std::string* out,
              const std::string& where) {
    const JsonValue* value = object.Find(member);
    if (value == nullptr) {
      return required ? Fail(where + ": \"" + member + "\" is missing") : true;
    }
    if (!value->is_string()) return Fail(where + ": \"" + member + "\" must be a text");
    std::optional<std::string> text = platform::Windows1252FromUtf8(value->text());
    if (!text) return Fail(where + ": \"" + member + "\" holds a character Windows-1252 lacks");
    *out = *text;
    return true;
  }

  bool NumberOf(const JsonValue& object, const char* member, int64_t low, int64_t high,
                bool required, int64_t* out, const std::string& where) {
    const JsonValue* value = object.Find(member);
    if (value == nullptr) {
      return required ? Fail(where + ": \"" + member + "\" is missing") : true;
    }
    const std::optional<int64_t> n = value->AsInteger();
    if (!n || *n < low || *n > high) {
      return Fail(where + ": \"" + member + "\" must be a whole number from " +
                  std::to_string(low) + " to " + std::to_string(high));
    }
    *out = *n;
    return true;
  }

  bool FlagOf(const JsonValue& object, const char* member, bool* out, const std::string& where) {
    const JsonValue* value = object.Find(member);
    if (value == nullptr) return true;
    if (!value->is_bool()) return Fail(where + ": \"" + member + "\" must be true or false");
    *out = value->bool_value();
    return true;
  }

  bool Only(const JsonValue& object, std::initializer_list<const char*> allowed,
            const std::string& where) {
    for (const JsonValue::Member& m : object.members()) {
      if (std::none_of(allowed.begin(), allowed.end(),
                       [&](const char* name) { return m.first == name; })) {
        return Fail(where + ": unknown member \"" + m.first + "\"");
      }
    }
    return true;
  }

  const JsonValue* ListOf(const JsonValue& json, const char* member) {
    const JsonValue* list = json.Find(member);
    if (list != nullptr && !list->is_array()) {
      Fail(std::string("\"") + member + "\" must be a list");
      return nullptr;
    }
    return list;
  }

 private:
  std::string& error_;
};

bool ReadFields(Reader& r, const JsonValue& list, data::RecordDeclarationBuilder* builder,
                std::vector<std::string>* names) {
  uint32_t offset = 0;
  std::vector<uint32_t> group_ends;
  for (size_t i = 0; i < list.items().size(); ++i) {
    const JsonValue& f = list.items()[i];
    const std::string where = "field " + std::to_string(i + 1);
    if (!f.is_object()) return r.Fail(where + ": must be an object");
    if (!r.Only(f, {"name", "label", "type", "length", "size", "places", "count", "picture"},
                where)) {
      return false;
    }
    std::string name, label, type_name, picture;
    if (!r.TextOf(f, "name", true, &name, where) || !r.TextOf(f, "label", false, &label, where) ||
        !r.TextOf(f, "type", true, &type_name, where) ||
        !r.TextOf(f, "picture", false, &picture, where)) {
      return false;
    }
    if (name.empty()) return r.Fail(where + ": the name is empty");
    const std::optional<FieldType> type = TypeNamed(type_name);
    if (!type) return r.Fail(where + ": unknown type \"" + type_name + "\"");
    int64_t count = 1;
    if (!r.NumberOf(f, "count", 1, 65535, false, &count, where)) return false;
    while (!group_ends.empty() && offset >= group_ends.back()) {
      builder->EndGroup();
      group_ends.pop_back();
    }
    std::vector<uint32_t> dimensions;
    if (count > 1) dimensions.push_back(static_cast<uint32_t>(count));
    const std::string program_name = label.empty() ? name : label;
    uint32_t element = 0;
    if (*type == FieldType::kGroup) {
      int64_t size = 0;
      if (!r.NumberOf(f, "size", 1, 15000, true, &size, where)) return false;
      if (count > 1) return r.Fail(where + ": an array of groups cannot be declared in JSON");
      builder->BeginGroup(program_name, dimensions);
      group_ends.push_back(offset + static_cast<uint32_t>(size));
    } else if (IsText(*type)) {
      int64_t length = 0;
      if (!r.NumberOf(f, "length", 1, 15000, true, &length, where)) return false;
      element = static_cast<uint32_t>(length);
      builder->Field(*type, program_name, element, dimensions);
      if (!picture.empty()) builder->WithPicture(picture);
    } else if (*type == FieldType::kDecimal || *type == FieldType::kPDecimal) {
      int64_t digits = 0, places = 0;
      if (!r.NumberOf(f, "size", 1, 31, true, &digits, where) ||
          !r.NumberOf(f, "places", 0, digits, false, &places, where)) {
        return false;
      }
      element = static_cast<uint32_t>(digits / 2 + 1);
      builder->Field(*type, program_name, element, dimensions).Places(static_cast<uint8_t>(places));
    } else {
      element = data::FixedElementSize(*type);
      builder->Field(*type, program_name, element, dimensions);
    }
    if (!label.empty() && label != name) builder->Named(name);
    offset += element * static_cast<uint32_t>(count);
    names->push_back(name);
  }
  return true;
}

bool ReadMemos(Reader& r, const JsonValue& list, data::FileControlBlock* file) {
  for (size_t i = 0; i < list.items().size(); ++i) {
    const JsonValue& m = list.items()[i];
    const std::string where = "memo " + std::to_string(i + 1);
    if (!m.is_object()) return r.Fail(where + ": must be an object");
    if (!r.Only(m, {"name", "label", "size", "binary", "blob"}, where)) return false;
    std::string name, label;
    bool binary = false, blob = false;
    int64_t size = 0;
    if (!r.TextOf(m, "name", true, &name, where) || !r.TextOf(m, "label", false, &label, where) ||
        !r.FlagOf(m, "binary", &binary, where) || !r.FlagOf(m, "blob", &blob, where) ||
        !r.NumberOf(m, "size", blob ? 0 : 1, data::MemoControlBlock::kMaxSize, !blob, &size,
                    where)) {
      return false;
    }
    uint8_t flags = 0;
    if (binary) flags |= data::memo_flag::kBinary;
    if (blob) flags |= data::memo_flag::kBlob;
    const bool labelled = !label.empty() && label != name;
    file->AddMemo(labelled ? label : name, blob ? 0 : static_cast<uint32_t>(size), flags,
                  labelled ? name : std::string());
  }
  return true;
}

bool ReadKeys(Reader& r, const JsonValue& list, const std::vector<std::string>& fields,
              data::FileControlBlock* file) {
  for (size_t i = 0; i < list.items().size(); ++i) {
    const JsonValue& k = list.items()[i];
    const std::string where = "key " + std::to_string(i + 1);
    if (!k.is_object()) return r.Fail(where + ": must be an object");
    if (!r.Only(k, {"name", "label", "components", "primary", "dup", "opt", "nocase", "index"},
                where)) {
      return false;
    }
    std::string name, label;
    bool primary = false, dup = false, opt = false, nocase = false, index = false;
    if (!r.TextOf(k, "name", true, &name, where) || !r.TextOf(k, "label", false, &label, where) ||
        !r.FlagOf(k, "primary", &primary, where) || !r.FlagOf(k, "dup", &dup, where) ||
        !r.FlagOf(k, "opt", &opt, where) || !r.FlagOf(k, "nocase", &nocase, where) ||
        !r.FlagOf(k, "index", &index, where)) {
      return false;
    }
    const JsonValue* parts = k.Find("components");
    if (parts == nullptr || !parts->is_array()) {
      return r.Fail(where + ": \"components\" must be a list");
    }
    std::vector<int32_t> components;
    for (const JsonValue& part : parts->items()) {
      std::optional<std::string> text =
          part.is_string() ? platform::Windows1252FromUtf8(part.text()) : std::nullopt;
      if (!text || text->empty()) return r.Fail(where + ": a component must be a field name");
      bool descending = false;
      if ((*text)[0] == '+' || (*text)[0] == '-') {
        descending = (*text)[0] == '-';
        text->erase(0, 1);
      }
      auto found = std::find(fields.begin(), fields.end(), *text);
      if (found == fields.end()) return r.Fail(where + ": no field \"" + part.text() + "\"");
      const auto number = static_cast<int32_t>(found - fields.begin()) + 1;
      components.push_back(descending ? -number : number);
    }
    namespace kf = data::key_flag;
    uint32_t flags = 0;
    if (primary) flags |= kf::kPrimary;
    if (dup) flags |= kf::kDup;
    if (opt) flags |= kf::kOpt;
    if (nocase) flags |= kf::kNoCase;
    if (index) flags |= kf::kIndex;
    const bool labelled = !label.empty() && label != name;
    file->AddKey(labelled ? label : name, flags, components, labelled ? name : std::string());
  }
  return true;
}

// Lays one section out as `schema` prints it: the items one a line, lined
// up under the first.
void AppendSection(const char* name, const std::vector<JsonValue>& items, bool last,
                   std::string* out) {
  std::string head = std::string("\"") + name + "\": ";
  *out += head + "[";
  const std::string indent(1 + head.size() + 1, ' ');
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) *out += ",\n" + indent;
    *out += WriteJson(items[i]);
  }
  *out += last ? "]" : "],\n ";
}

}  // namespace

JsonValue DeclarationToJson(const store::TableDeclaration& declaration, bool owner) {
  JsonValue json = JsonValue::Object();
  JsonValue fields = JsonValue::Array();
  for (const store::StoredField& f : declaration.fields) fields.Append(FieldJson(f));
  JsonValue memos = JsonValue::Array();
  for (const store::StoredMemo& m : declaration.memos) memos.Append(MemoJson(m));
  JsonValue keys = JsonValue::Array();
  for (const store::StoredKey& k : declaration.keys) keys.Append(KeyJson(k, declaration.fields));
  json.Add("fields", std::move(fields));
  json.Add("memos", std::move(memos));
  json.Add("keys", std::move(keys));
  json.Add("owner", JsonValue::Bool(owner));
  return json;
}

std::string SchemaText(const store::TableDeclaration& declaration, bool owner) {
  const JsonValue json = DeclarationToJson(declaration, owner);
  std::string out = "{";
  AppendSection("fields", json.Find("fields")->items(), false, &out);
  AppendSection("memos", json.Find("memos")->items(), false, &out);
  AppendSection("keys", json.Find("keys")->items(), false, &out);
  out += std::string("\"owner\": ") + (owner ? "true" : "false") + "}\n";
  return out;
}

bool DeclarationFromJson(const JsonValue& json, store::TableDeclaration* declaration, bool* owner,
                         std::string* error) {
  error->clear();
  Reader r(error);
  if (!json.is_object()) return r.Fail("a declaration must be an object");
  if (!r.Only(json, {"fields", "memos", "keys", "owner"}, "the declaration")) return false;
  *owner = false;
  if (!r.FlagOf(json, "owner", owner, "the declaration")) return false;
  const JsonValue* fields = r.ListOf(json, "fields");
  const JsonValue* memos = r.ListOf(json, "memos");
  const JsonValue* keys = r.ListOf(json, "keys");
  if (!error->empty()) return false;
  data::RecordDeclarationBuilder builder;
  std::vector<std::string> names;
  if (fields != nullptr && !ReadFields(r, *fields, &builder, &names)) return false;
  const data::RecordDeclaration record = builder.Build();
  data::FileControlBlock file;
  file.declaration = &record;
  file.record_length = record.record_length;
  if (memos != nullptr && !ReadMemos(r, *memos, &file)) return false;
  if (keys != nullptr && !ReadKeys(r, *keys, names, &file)) return false;
  if (record.fields.empty() && file.memos.empty()) {
    return r.Fail("a declaration needs at least one field or memo");
  }
  *declaration = store::TableDeclaration::FromControlBlock(file);
  if (declaration->beyond_limits) return r.Fail("the declaration goes beyond the store's limits");
  return true;
}

}  // namespace vaultara::app
