#include "app/data_dictionary.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "data/expression_scope.h"
#include "data/expression_variable.h"
#include "data/statements.h"

namespace vaultara::app {

namespace {

using data::key_flag::kDup;
using data::key_flag::kNoCase;
using data::key_flag::kOpt;
using data::key_flag::kPrimary;

template <size_t N>
data::TextVariable Bound(std::array<char, N>& text) {
  return data::TextVariable{text.data(), static_cast<int32_t>(N)};
}

bool SameLabel(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// One key as the dictionary declares it: its name (on the table itself),
// description, attributes, components (1-based field numbers) and whether
// it is numbered automatically.
struct KeyDeclaration {
  const char* name;  // without the prefix: "K__", "K_NAME", ...
  const char* description;
  uint32_t flags;
  std::vector<int32_t> components;
  bool auto_number;
};

// Declares table (prefix) with the fields of build, the keys and the memo of
// the table named by store_prefix: for an alias, the aliased table's
// names go to the store (see KeyInfo).
template <typename Fields>
void Declare(DictionaryTable& table, const std::string& prefix, const std::string& store_prefix,
             data::FileDriver& driver, data::TextVariable name, data::TextVariable owner,
             Fields fields, const std::vector<KeyDeclaration>& keys, const char* memo,
             const std::vector<std::string>& descriptions = {}) {
  table.prefix = prefix;
  data::RecordDeclarationBuilder builder;
  fields(builder, prefix, store_prefix);
  table.declaration = builder.Build();
  table.record.assign(table.declaration.record_length, '\0');
  data::FileControlBlock& file = table.file;
  file.driver = &driver;
  file.name = name;
  file.owner = owner;
  file.attributes = kTableAttributes;
  file.declaration = &table.declaration;
  file.record = table.record.data();
  file.record_length = table.declaration.record_length;
  for (size_t i = 0; i < keys.size(); ++i) {
    const KeyDeclaration& declared = keys[i];
    data::KeyControlBlock& key =
        file.AddKey(store_prefix + ":" + declared.name, declared.flags, declared.components);
    table.keys.push_back(KeyInfo{&key, prefix + ":" + declared.name,
                                 i < descriptions.size() ? descriptions[i] : declared.description,
                                 declared.auto_number});
  }
  if (memo != nullptr) file.AddMemo(store_prefix + ":" + memo, 8000);
  table.ClearBuffer();
}

// Declares fields as prefix:name for the program; for an alias the store
// sees the aliased table's names (store_prefix:name) through NAME.
struct FieldNames {
  data::RecordDeclarationBuilder& b;
  const std::string& prefix;
  const std::string& store_prefix;

  std::string Label(const char* name) const { return prefix + ":" + name; }
  void Aliased(const char* name) const {
    if (prefix != store_prefix) b.Named(store_prefix + ":" + name);
  }
  FieldNames& Long(const char* name) {
    b.Long(Label(name));
    Aliased(name);
    return *this;
  }
  FieldNames& String(const char* name, uint32_t length) {
    b.String(Label(name), length);
    Aliased(name);
    return *this;
  }
};

void ProductFields(data::RecordDeclarationBuilder& b, const std::string& p, const std::string& s) {
  FieldNames{b, p, s}
      .Long("SYSID")
      .Long("VENSYSID")
      .Long("TYPSYSID")
      .String("NAME", 60)
      .String("USERID", 255)
      .String("PASSWORD", 255)
      .Long("EXPIREDATE");
}

void TypeFields(data::RecordDeclarationBuilder& b, const std::string& p, const std::string& s) {
  FieldNames{b, p, s}
      .Long("SYSID")
      .Long("PARENTS")
      .Long("TYPETYPE")
      .String("NAME", 60)
      .String("DESCRIPTION", 100);
}

void VendorFields(data::RecordDeclarationBuilder& b, const std::string& p, const std::string& s) {
  FieldNames{b, p, s}
      .Long("SYSID")
      .String("NAME", 60)
      .String("ADDRESS", 500)
      .String("PHONE", 60)
      .String("FAX", 60)
      .String("EMAIL", 60)
      .String("URL", 100);
}

void DummyFields(data::RecordDeclarationBuilder& b, const std::string& p, const std::string& s) {
  FieldNames{b, p, s}.Long("SYSID").String("NAME", 60);
}

const std::vector<KeyDeclaration>& ProductKeys() {
  static const std::vector<KeyDeclaration> keys = {
      {"K__", "Primary Key", kPrimary | kNoCase | kOpt, {1}, true},
      {"K_VENNAME", "PRO:K_VENName", kDup | kNoCase | kOpt, {2, 4}, false},
      {"K_TYPNAME", "PRO:K_TYPName", kDup | kNoCase | kOpt, {3, 4}, false},
      {"K_NAME", "PRO:K_Name", kDup | kNoCase | kOpt, {4}, false},
  };
  return keys;
}

const std::vector<KeyDeclaration>& TypeKeys() {
  static const std::vector<KeyDeclaration> keys = {
      {"K__", "TYP:K__", kPrimary | kNoCase | kOpt, {1}, true},
      {"K_NAME", "By Name", kNoCase | kOpt, {3, 4}, false},
      {"K_PARENTNAME", "By Parent SysID, Name", kDup | kNoCase | kOpt, {2, 4}, false},
  };
  return keys;
}

const std::vector<KeyDeclaration>& VendorKeys() {
  static const std::vector<KeyDeclaration> keys = {
      {"K__", "Primary Key", kPrimary | kNoCase | kOpt, {1}, true},
      {"K_NAME", "VEN:K_Name", kDup | kNoCase | kOpt, {2}, false},
  };
  return keys;
}

const std::vector<KeyDeclaration>& DummyKeys() {
  static const std::vector<KeyDeclaration> keys = {
      {"K__", "Primary Key", kPrimary | kNoCase | kOpt, {1}, true},
  };
  return keys;
}

}  // namespace

std::string_view CategoryKindName(int32_t kind) {
  return kind == kCategoryKind ? "Product Categories" : "";
}

DictionaryTable::~DictionaryTable() = default;

const data::FieldDescriptor& DictionaryTable::Field(std::string_view label) const {
  for (const data::FieldDescriptor& field : declaration.fields) {
    if (SameLabel(field.label, label)) return field;
  }
  throw std::out_of_range("no field " + std::string(label));
}

data::KeyControlBlock& DictionaryTable::Key(std::string_view label) {
  for (const KeyInfo& info : keys) {
    if (SameLabel(info.label, label) || SameLabel(info.key->label, label)) return *info.key;
  }
  throw std::out_of_range("no key " + std::string(label));
}

data::MemoControlBlock& DictionaryTable::Memo(std::string_view label) {
  for (auto& memo : file.memos) {
    const std::string_view name = memo->label;
    const size_t colon = name.find(':');
    if (SameLabel(name, label) || (colon != std::string_view::npos &&
                                   SameLabel(prefix + std::string(name.substr(colon)), label))) {
      return *memo;
    }
  }
  throw std::out_of_range("no memo " + std::string(label));
}

int32_t DictionaryTable::GetLong(std::string_view label) const {
  int32_t value;
  std::memcpy(&value, record.data() + Field(label).offset, 4);
  return value;
}

void DictionaryTable::SetLong(std::string_view label, int32_t value) {
  std::memcpy(record.data() + Field(label).offset, &value, 4);
}

std::string DictionaryTable::GetText(std::string_view label) const {
  const data::FieldDescriptor& field = Field(label);
  return std::string(
      data::TrimRight(std::string_view(record.data() + field.offset, field.element_size)));
}

void DictionaryTable::SetText(std::string_view label, std::string_view text) {
  const data::FieldDescriptor& field = Field(label);
  char* at = record.data() + field.offset;
  std::memset(at, ' ', field.element_size);
  std::memcpy(at, text.data(), std::min<size_t>(text.size(), field.element_size));
}

void DictionaryTable::ClearBuffer() {
  data::ClearRecord(declaration, record.data(), 0);
  for (auto& memo : file.memos) std::fill(memo->buffer.begin(), memo->buffer.end(), ' ');
}

DictionaryGlobals::DictionaryGlobals() {
  master_password.fill(' ');
  password_file_name.fill(' ');
  products_table_name.fill(' ');
  types_table_name.fill(' ');
  vendors_table_name.fill(' ');
  dummy_table_name.fill(' ');
}

DataDictionary::DataDictionary(data::FileDriver& driver) {
  const data::TextVariable owner = Bound(globals.master_password);
  Declare(pro, "PRO", "PRO", driver, Bound(globals.products_table_name), owner, ProductFields,
          ProductKeys(), "NOTES");
  Declare(typ, "TYP", "TYP", driver, Bound(globals.types_table_name), owner, TypeFields, TypeKeys(),
          nullptr);
  Declare(ven, "VEN", "VEN", driver, Bound(globals.vendors_table_name), owner, VendorFields,
          VendorKeys(), "NOTES");
  Declare(dum, "DUM", "DUM", driver, Bound(globals.dummy_table_name), owner, DummyFields,
          DummyKeys(), nullptr);
  Declare(typa, "TYPA", "TYP", driver, Bound(globals.types_table_name), owner, TypeFields,
          TypeKeys(), nullptr, {"TYPa:K__", "By Name", "By Parent SysID, Name"});
  Declare(vena, "VENA", "VEN", driver, Bound(globals.vendors_table_name), owner, VendorFields,
          VendorKeys(), "NOTES", {"Primary Key", "VENa:K_Name"});
  typa.aliased = &typ;
  vena.aliased = &ven;
}

void DataDictionary::SetMasterPassword(std::string_view password) {
  Bound(globals.master_password).Write(password);
}

void DataDictionary::SetPasswordFile(std::string_view path) {
  const std::string full(path);
  Bound(globals.password_file_name).Write(full);
  Bound(globals.products_table_name).Write(full + "\\!" + std::string(kProductsTable));
  Bound(globals.types_table_name).Write(full + "\\!" + std::string(kTypesTable));
  Bound(globals.vendors_table_name).Write(full + "\\!" + std::string(kVendorsTable));
}

std::array<DictionaryTable*, 6> DataDictionary::Tables() {
  return {&dum, &pro, &ven, &typ, &vena, &typa};
}

bool DataDictionary::BindCategoryKind() {
  data::FieldDescriptor kind;
  kind.type = data::FieldType::kByte;
  kind.size = kind.element_size = 1;
  return data::Bind(kCategoryKindName, data::ExpressionVariable::Field(
                                           kind, reinterpret_cast<char*>(&globals.category_kind)));
}

void DataDictionary::DestroyStates() {
  for (DictionaryTable* table : Tables()) {
    if (table->file.state() != nullptr) data::Destroy(table->file);
  }
}

}  // namespace vaultara::app
