#include "store/declaration_stream.h"

#include <map>

#include "store/store_file.h"

namespace vaultara::store {

namespace {

using data::FieldType;

bool HasDecimalTail(uint8_t type) {
  return type == static_cast<uint8_t>(FieldType::kDecimal) ||
         type == static_cast<uint8_t>(FieldType::kPDecimal);
}
bool HasStringTail(uint8_t type) {
  return type == static_cast<uint8_t>(FieldType::kString) ||
         type == static_cast<uint8_t>(FieldType::kCString) ||
         type == static_cast<uint8_t>(FieldType::kPString);
}

class Out {
 public:
  void U8(uint8_t v) { bytes_ += static_cast<char>(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v & 0xFF));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void Text(const std::string& text, bool absent = false) {
    if (text.empty()) {
      U8(0);
      U8(absent ? 1 : 0);
      return;
    }
    // A text holds no zero byte; one would end it early when read back.
    bytes_.append(text.data(),
                  text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    U8(0);
  }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class In {
 public:
  explicit In(std::string_view bytes) : bytes_(bytes) {}
  uint8_t U8() { return at_ < bytes_.size() ? static_cast<uint8_t>(bytes_[at_++]) : (++at_, 0); }
  uint16_t U16() {
    const uint8_t low = U8();
    return static_cast<uint16_t>(low | (U8() << 8));
  }
  std::string Text() {
    std::string text;
    for (uint8_t c = U8(); c != 0; c = U8()) text += static_cast<char>(c);
    if (text.empty()) U8();  // 00 00 empty, 00 01 absent: both read as ""
    return text;
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

}  // namespace

std::string DeclarationWriter::Write(const TableDeclaration& d) {
  Out out;
  out.U16(d.has_blob() ? 2 : 1);
  out.U16(d.record_length);
  out.U16(static_cast<uint16_t>(d.fields.size()));
  out.U16(static_cast<uint16_t>(d.memos.size()));
  out.U16(static_cast<uint16_t>(d.keys.size()));
  for (const StoredField& f : d.fields) {
    out.U8(f.type);
    out.U16(f.offset);
    out.Text(f.name);
    out.U16(f.count);
    out.U16(f.size);
    out.U16(f.overlay);
    out.U16(f.number);
    if (HasDecimalTail(f.type)) {
      out.U8(f.places);
      out.U8(f.element_size);
    } else if (HasStringTail(f.type)) {
      out.U16(f.element_length);
      out.Text(f.picture);
    }
  }
  for (const StoredMemo& m : d.memos) {
    out.Text(m.name, /*absent=*/true);
    out.Text(m.label);
    out.U16(m.size);
    out.U16(m.flags);
  }
  for (const StoredKey& k : d.keys) {
    out.Text(k.name, /*absent=*/true);
    out.Text(k.label);
    out.U8(k.flags);
    out.U16(static_cast<uint16_t>(k.components.size()));
    for (const StoredComponent& c : k.components) {
      out.U16(c.field);
      out.U16(c.descending);
    }
  }
  return out.take();
}

TableDeclaration DeclarationReader::Read(std::string_view stream) {
  In in(stream);
  TableDeclaration d;
  d.version = in.U16();
  d.record_length = in.U16();
  const uint16_t fields = in.U16();
  const uint16_t memos = in.U16();
  const uint16_t keys = in.U16();
  for (uint16_t i = 0; i < fields; ++i) {
    StoredField f;
    f.type = in.U8();
    f.offset = in.U16();
    f.name = in.Text();
    f.label = f.name;
    f.count = in.U16();
    f.size = in.U16();
    f.overlay = in.U16();
    f.number = in.U16();
    if (HasDecimalTail(f.type)) {
      f.places = in.U8();
      f.element_size = in.U8();
    } else if (HasStringTail(f.type)) {
      f.element_length = in.U16();
      f.picture = in.Text();
    }
    d.fields.push_back(std::move(f));
  }
  for (uint16_t i = 0; i < memos; ++i) {
    StoredMemo m;
    m.name = in.Text();
    m.label = in.Text();
    m.size = in.U16();
    m.flags = in.U16();
    d.memos.push_back(std::move(m));
  }
  for (uint16_t i = 0; i < keys; ++i) {
    StoredKey k;
    k.name = in.Text();
    k.label = in.Text();
    k.flags = in.U8();
    const uint16_t components = in.U16();
    for (uint16_t c = 0; c < components; ++c) {
      StoredComponent component;
      component.field = in.U16();
      component.descending = in.U16();
      k.components.push_back(component);
    }
    d.keys.push_back(std::move(k));
  }
  return d;
}

Status WriteDeclarationBlocks(StoreFile& file, Identifier table, std::string_view stream) {
  uint16_t block = 0;
  for (size_t at = 0; at < stream.size(); at += entry_kind::kDeclarationBlockSize, ++block) {
    Status status = file.Insert(StoreEntry(DeclarationKey(table, block),
                                           stream.substr(at, entry_kind::kDeclarationBlockSize)));
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

Status ReadDeclarationBlocks(StoreFile& file, Identifier table, std::string* stream) {
  stream->clear();
  // Block numbers are little-endian in the key, so the entries do not come in
  // block order.
  std::map<size_t, std::string> blocks;
  const std::string prefix = TablePrefix(table) + static_cast<char>(entry_kind::kDeclaration);
  std::string key = prefix;
  for (;;) {
    std::optional<StoreEntry> entry;
    Status status = file.Successor(key, &entry);
    if (!status.ok()) return status;
    if (!entry || entry->key().substr(0, prefix.size()) != prefix) break;
    const std::string_view k = entry->key();
    if (k.size() == entry_kind::kDeclarationKeyLength) {
      blocks[static_cast<uint8_t>(k[5]) | (static_cast<uint8_t>(k[6]) << 8)] =
          std::string(entry->data());
    }
    key = std::string(k);
  }
  for (const auto& [block, data] : blocks) {
    stream->resize(block * entry_kind::kDeclarationBlockSize, '\0');
    *stream += data;
  }
  return Status::Ok();
}

}  // namespace vaultara::store
