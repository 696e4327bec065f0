#include "data/compiled_declaration.h"

#include <cstdint>
#include <cstring>

#include "data/field_value.h"

namespace vaultara::data {
namespace {

constexpr uint8_t kHasName = 0x01;
constexpr uint8_t kHasDimensions = 0x02;
constexpr uint8_t kHasOver = 0x04;
constexpr uint8_t kHasPicture = 0x08;
constexpr uint8_t kHasDecimals = 0x10;
constexpr int kMaxNesting = 100;
constexpr uint32_t kStringLengthMask = 0x1FFF;

bool IsString(FieldType t) {
  return t == FieldType::kString || t == FieldType::kCString || t == FieldType::kPString;
}

void PutU8(std::string& out, uint32_t v) { out.push_back(static_cast<char>(v & 0xFF)); }
void PutU16(std::string& out, uint32_t v) {
  PutU8(out, v);
  PutU8(out, v >> 8);
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v);
  PutU16(out, v >> 16);
}
void PutText(std::string& out, const std::string& text) {
  out += text;
  out.push_back('\0');
}

uint8_t FlagsOf(const FieldDescriptor& f) {
  uint8_t flags = 0;
  if (!f.external_name.empty()) flags |= kHasName;
  if (!f.dimensions.empty()) flags |= kHasDimensions;
  if (f.over >= 0) flags |= kHasOver;
  if (!f.picture.empty()) flags |= kHasPicture;
  if (IsDecimalType(f.type)) flags |= kHasDecimals;
  return flags;
}

void PutExtensions(std::string& out, const FieldDescriptor& f, uint8_t flags) {
  if (flags & kHasName) PutText(out, f.external_name);
  if (flags & kHasDimensions) {
    PutU8(out, static_cast<uint32_t>(f.dimensions.size()));
    for (uint32_t d : f.dimensions) PutU32(out, d);
  }
  if (flags & kHasOver) PutU16(out, static_cast<uint32_t>(f.over));
  if (flags & kHasPicture) PutText(out, f.picture);
  if (flags & kHasDecimals) {
    PutU8(out, f.element_size);
    PutU8(out, f.decimal_places);
  }
}

// Writes fields[i] (and, for a group, its members); returns the index after.
size_t PutField(std::string& out, const std::vector<FieldDescriptor>& fields, size_t i);

std::string PutMembers(const std::vector<FieldDescriptor>& fields, size_t first, uint16_t nesting,
                       uint32_t* count, size_t* end) {
  std::string members;
  size_t i = first;
  *count = 0;
  while (i < fields.size() && fields[i].nesting == nesting) {
    i = PutField(members, fields, i);
    ++*count;
  }
  *end = i;
  return members;
}

void PutGroupHeader(std::string& out, const std::string& label, uint8_t flags, uint32_t size,
                    uint32_t count, const std::string& members) {
  PutU8(out, static_cast<uint32_t>(FieldType::kGroup));
  PutU8(out, flags);
  PutU32(out, size);
  PutU32(out, count);
  PutU32(out, static_cast<uint32_t>(members.size()));
  PutText(out, label);
}

size_t PutField(std::string& out, const std::vector<FieldDescriptor>& fields, size_t i) {
  const FieldDescriptor& f = fields[i];
  uint8_t flags = FlagsOf(f);
  if (f.type == FieldType::kGroup) {
    uint32_t count = 0;
    size_t end = 0;
    std::string members =
        PutMembers(fields, i + 1, static_cast<uint16_t>(f.nesting + 1), &count, &end);
    PutGroupHeader(out, f.label, flags, f.size, count, members);
    PutExtensions(out, f, flags);
    out += members;
    return end;
  }
  PutU8(out, static_cast<uint32_t>(f.type));
  PutU8(out, flags);
  if (IsString(f.type)) {
    uint32_t length = f.element_size & kStringLengthMask;
    PutU8(out, length >> 8);
    PutU8(out, length);
  }
  PutText(out, f.label);
  PutExtensions(out, f, flags);
  return i + 1;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool U8(uint32_t* v) {
    if (pos_ >= bytes_.size()) return false;
    *v = static_cast<unsigned char>(bytes_[pos_++]);
    return true;
  }
  bool U16(uint32_t* v) {
    uint32_t lo = 0;
    uint32_t hi = 0;
    if (!U8(&lo) || !U8(&hi)) return false;
    *v = lo | (hi << 8);
    return true;
  }
  bool U32(uint32_t* v) {
    uint32_t lo = 0;
    uint32_t hi = 0;
    if (!U16(&lo) || !U16(&hi)) return false;
    *v = lo | (hi << 16);
    return true;
  }
  bool Text(std::string* text) {
    size_t zero = bytes_.find('\0', pos_);
    if (zero == std::string_view::npos) return false;
    *text = std::string(bytes_.substr(pos_, zero - pos_));
    pos_ = zero + 1;
    return true;
  }
  size_t pos() const { return pos_; }
  bool done() const { return pos_ == bytes_.size(); }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

struct Extensions {
  std::string name;
  std::vector<uint32_t> dimensions;
  int32_t over = -1;
  std::string picture;
  uint32_t element_size = 0;
  uint32_t places = 0;
};

bool ReadExtensions(Reader& in, uint8_t flags, Extensions* x) {
  if ((flags & kHasName) && !in.Text(&x->name)) return false;
  if (flags & kHasDimensions) {
    uint32_t count = 0;
    if (!in.U8(&count) || count == 0) return false;
    uint64_t product = 1;
    for (uint32_t k = 0; k < count; ++k) {
      uint32_t d = 0;
      if (!in.U32(&d) || d == 0) return false;
      product *= d;
      if (product > 0xFFFFFF) return false;
      x->dimensions.push_back(d);
    }
  }
  uint32_t over = 0;
  if ((flags & kHasOver) && !in.U16(&over)) return false;
  if (flags & kHasOver) x->over = static_cast<int32_t>(over);
  if ((flags & kHasPicture) && !in.Text(&x->picture)) return false;
  if ((flags & kHasDecimals) && (!in.U8(&x->element_size) || !in.U8(&x->places))) return false;
  return true;
}

class DeclarationReader {
 public:
  explicit DeclarationReader(std::string_view bytes) : in_(bytes) {}

  std::optional<RecordDeclaration> Read() {
    uint32_t type = 0;
    if (!in_.U8(&type) || type != static_cast<uint32_t>(FieldType::kGroup)) return std::nullopt;
    uint32_t flags = 0;
    uint32_t size = 0;
    uint32_t count = 0;
    uint32_t length = 0;
    std::string label;
    if (!in_.U8(&flags) || !in_.U32(&size) || !in_.U32(&count) || !in_.U32(&length) ||
        !in_.Text(&label)) {
      return std::nullopt;
    }
    size_t start = in_.pos();
    if (!Members(count, 0)) return std::nullopt;
    if (in_.pos() - start != length || !in_.done()) return std::nullopt;
    RecordDeclaration d = builder_.Build();
    if (d.record_length != size) return std::nullopt;
    return d;
  }

 private:
  bool Members(uint32_t count, int depth) {
    for (uint32_t k = 0; k < count; ++k) {
      if (!Field(depth)) return false;
    }
    return true;
  }

  bool Field(int depth) {
    uint32_t type = 0;
    uint32_t flags = 0;
    if (!in_.U8(&type) || !in_.U8(&flags)) return false;
    auto t = static_cast<FieldType>(type);
    if (t == FieldType::kGroup) return Group(depth, static_cast<uint8_t>(flags));
    uint32_t element_size = FixedElementSize(t);
    if (IsString(t)) {
      uint32_t hi = 0;
      uint32_t lo = 0;
      if (!in_.U8(&hi) || !in_.U8(&lo)) return false;
      element_size = ((hi << 8) | lo) & kStringLengthMask;
    }
    std::string label;
    Extensions x;
    if (!in_.Text(&label) || !ReadExtensions(in_, static_cast<uint8_t>(flags), &x)) return false;
    if (IsDecimalType(t)) element_size = x.element_size;
    if (element_size == 0 && t != FieldType::kMemo && t != FieldType::kBlob) return false;
    if (!Over(x.over)) return false;
    builder_.Field(t, label, element_size, x.dimensions);
    Finish(x);
    return true;
  }

  bool Group(int depth, uint8_t flags) {
    if (depth + 1 > kMaxNesting) return false;
    uint32_t size = 0;
    uint32_t count = 0;
    uint32_t length = 0;
    std::string label;
    Extensions x;
    if (!in_.U32(&size) || !in_.U32(&count) || !in_.U32(&length) || !in_.Text(&label) ||
        !ReadExtensions(in_, flags, &x) || !Over(x.over)) {
      return false;
    }
    builder_.BeginGroup(label, x.dimensions);
    Finish(x);
    size_t start = in_.pos();
    if (!Members(count, depth + 1) || in_.pos() - start != length) return false;
    builder_.EndGroup();
    return true;
  }

  bool Over(int32_t over) {
    if (over < 0) return true;
    if (over >= fields_) return false;
    builder_.OverIndex(over);
    return true;
  }

  void Finish(const Extensions& x) {
    if (!x.name.empty()) builder_.Named(x.name);
    if (!x.picture.empty()) builder_.WithPicture(x.picture);
    if (x.places != 0) builder_.Places(static_cast<uint8_t>(x.places));
    ++fields_;
  }

  Reader in_;
  RecordDeclarationBuilder builder_;
  int32_t fields_ = 0;
};

}  // namespace

std::string CompileDeclaration(const RecordDeclaration& declaration) {
  uint32_t count = 0;
  size_t end = 0;
  std::string members = PutMembers(declaration.fields, 0, 0, &count, &end);
  std::string out;
  PutGroupHeader(out, "", 0, declaration.record_length, count, members);
  out += members;
  return out;
}

std::optional<RecordDeclaration> ReadDeclaration(std::string_view compiled) {
  return DeclarationReader(compiled).Read();
}

}  // namespace vaultara::data
