#include "app/table_layout.h"

#include <algorithm>
#include <cctype>

#include "data/statements.h"

namespace vaultara::app {

namespace {

using data::FieldType;

uint32_t KeyFlagsOf(uint8_t stored) {
  namespace s = store::stored_key_flag;
  namespace k = data::key_flag;
  uint32_t flags = 0;
  if (stored & s::kDuplicates) flags |= k::kDup;
  if (stored & s::kOptional) flags |= k::kOpt;
  if (stored & s::kNoCase) flags |= k::kNoCase;
  if (stored & s::kCarried) flags |= k::kCarried;
  if (stored & s::kPrimary) flags |= k::kPrimary;
  if (stored & s::kIndex) flags |= k::kIndex;
  return flags;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// Declares the stored fields again, in order. A group's members are the
// fields that follow it inside its bytes; an overlay starts at the field
// declared before it at the same offset.
void DeclareFields(const std::vector<store::StoredField>& fields,
                   data::RecordDeclarationBuilder* builder) {
  std::vector<uint32_t> group_ends;
  for (size_t i = 0; i < fields.size(); ++i) {
    const store::StoredField& f = fields[i];
    while (!group_ends.empty() && f.offset >= group_ends.back()) {
      builder->EndGroup();
      group_ends.pop_back();
    }
    if (f.overlay) {
      for (size_t j = i; j-- > 0;) {
        if (fields[j].offset == f.offset) {
          builder->OverIndex(static_cast<int32_t>(j));
          break;
        }
      }
    }
    std::vector<uint32_t> dimensions;
    if (f.count > 1) dimensions.push_back(f.count);
    const auto type = static_cast<FieldType>(f.type);
    switch (type) {
      case FieldType::kGroup:
        builder->BeginGroup(f.name, dimensions);
        group_ends.push_back(static_cast<uint32_t>(f.offset) + f.size);
        continue;
      case FieldType::kString:
      case FieldType::kCString:
      case FieldType::kPString:
        builder->Field(type, f.name, f.element_length, dimensions);
        if (!f.picture.empty()) builder->WithPicture(f.picture);
        break;
      case FieldType::kDecimal:
      case FieldType::kPDecimal:
        builder->Field(type, f.name, f.element_size, dimensions).Places(f.places);
        break;
      default: {
        const uint32_t element = f.count == 0 ? f.size : f.size / f.count;
        builder->Field(type, f.name, element, dimensions);
        break;
      }
    }
  }
}

}  // namespace

TableLayout::TableLayout(data::FileDriver& driver, const std::string& name,
                         const std::string& owner)
    : name_(name), owner_(owner) {
  file_.driver = &driver;
  file_.name.data = name_.data();
  file_.name.length = static_cast<int32_t>(name_.size());
  file_.owner.data = owner_.data();
  file_.owner.length = static_cast<int32_t>(owner_.size());
  file_.attributes = data::attribute::kCreate;
  if (!owner_.empty()) file_.attributes |= data::attribute::kEncrypt;
  file_.declaration = &record_;
}

TableLayout::~TableLayout() {
  if (file_.state() != nullptr) data::Destroy(file_);
}

std::unique_ptr<TableLayout> TableLayout::Bare(data::FileDriver& driver, const std::string& name,
                                               const std::string& owner) {
  return std::unique_ptr<TableLayout>(new TableLayout(driver, name, owner));
}

std::unique_ptr<TableLayout> TableLayout::Make(const store::TableDeclaration& declaration,
                                               data::FileDriver& driver, const std::string& name,
                                               const std::string& owner, std::string* error) {
  std::unique_ptr<TableLayout> layout(new TableLayout(driver, name, owner));
  layout->declaration_ = declaration;
  data::RecordDeclarationBuilder builder;
  DeclareFields(declaration.fields, &builder);
  layout->record_ = builder.Build();
  // The stored record length stands, even past the last field.
  layout->record_.record_length =
      std::max<uint32_t>(layout->record_.record_length, declaration.record_length);
  layout->buffer_.assign(layout->record_.record_length, '\0');
  data::FileControlBlock& file = layout->file_;
  file.record = layout->buffer_.data();
  file.record_length = declaration.record_length;
  for (const store::StoredKey& key : declaration.keys) {
    std::vector<int32_t> components;
    for (const store::StoredComponent& c : key.components) {
      const int32_t number = static_cast<int32_t>(c.field) + 1;
      components.push_back(c.descending ? -number : number);
    }
    file.AddKey(key.label, KeyFlagsOf(key.flags), components, key.name);
  }
  for (const store::StoredMemo& memo : declaration.memos) {
    uint8_t flags = 0;
    if (memo.binary()) flags |= data::memo_flag::kBinary;
    if (memo.blob()) flags |= data::memo_flag::kBlob;
    file.AddMemo(memo.label, memo.size, flags, memo.name);
  }
  data::ClearRecord(layout->record_, file.record, 0);
  if (!store::Matches(declaration, store::TableDeclaration::FromControlBlock(file))) {
    *error = "the declaration cannot be declared again as it is stored";
    return nullptr;
  }
  return layout;
}

data::KeyControlBlock* TableLayout::FindKey(const std::string& name) {
  for (auto& key : file_.keys) {
    if (SameName(key->label, name) ||
        (!key->external_name.empty() && SameName(key->external_name, name))) {
      return key.get();
    }
  }
  return nullptr;
}

}  // namespace vaultara::app
