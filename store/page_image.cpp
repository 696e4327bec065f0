#include "store/page_image.h"

#include <algorithm>
#include <cstring>

#include "store/byte_order.h"
#include "store/format.h"
#include "store/run_length.h"
#include "store/status_numbers.h"
#include "store/store_fault.h"

namespace vaultara::store {

namespace {

size_t SharedPrefix(const std::string& a, const std::string& b) {
  const size_t limit = std::min({a.size(), b.size(), format::kMaxShared});
  size_t n = 0;
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

size_t RoundUp(size_t n) {
  return (n + format::kUnitSize - 1) / format::kUnitSize * format::kUnitSize;
}

// Appends the entry encoding of content's entries to out.
void EncodeEntries(const std::vector<StoreEntry>& entries, std::vector<uint8_t>& out) {
  const StoreEntry* previous = nullptr;
  for (const StoreEntry& entry : entries) {
    uint8_t flag = 0;
    size_t shared = 0;
    if (previous == nullptr) {
      flag = format::kFlagLengthFollows | format::kFlagKeyLengthFollows;
    } else {
      if (entry.size() != previous->size()) flag |= format::kFlagLengthFollows;
      if (entry.key_length != previous->key_length) flag |= format::kFlagKeyLengthFollows;
      shared = SharedPrefix(entry.bytes, previous->bytes);
    }
    out.push_back(static_cast<uint8_t>(flag | shared));
    uint8_t number[2];
    if (flag & format::kFlagLengthFollows) {
      StoreU16(number, static_cast<uint16_t>(entry.size()));
      out.insert(out.end(), number, number + 2);
    }
    if (flag & format::kFlagKeyLengthFollows) {
      StoreU16(number, entry.key_length);
      out.insert(out.end(), number, number + 2);
    }
    out.insert(out.end(), entry.bytes.begin() + static_cast<ptrdiff_t>(shared), entry.bytes.end());
    previous = &entry;
  }
}

std::vector<StoreEntry> DecodeEntries(const uint8_t* in, size_t size, size_t count) {
  std::vector<StoreEntry> entries;
  entries.reserve(count);
  size_t at = 0;
  size_t length = 0;
  size_t key_length = 0;
  for (size_t n = 0; n < count; ++n) {
    if (at >= size) Fault(status::kEntriesMisfit);
    const uint8_t flag = in[at++];
    const size_t shared = flag & format::kSharedMask;
    const bool first = n == 0;
    if (first && (flag & 0xC0) != 0xC0) Fault(status::kEntriesMisfit);
    if (flag & format::kFlagLengthFollows) {
      if (size - at < 2) Fault(status::kEntriesMisfit);
      length = LoadU16(in + at);
      at += 2;
    }
    if (flag & format::kFlagKeyLengthFollows) {
      if (size - at < 2) Fault(status::kEntriesMisfit);
      key_length = LoadU16(in + at);
      at += 2;
    }
    if (key_length > length || length > format::kMaxEntryLength) Fault(status::kEntriesMisfit);
    if (shared > length || (first ? shared != 0 : shared > entries.back().size())) {
      Fault(status::kEntriesMisfit);
    }
    if (size - at < length - shared) Fault(status::kEntriesMisfit);
    StoreEntry entry;
    entry.key_length = static_cast<uint16_t>(key_length);
    entry.bytes.reserve(length);
    if (shared != 0) entry.bytes.assign(entries.back().bytes, 0, shared);
    entry.bytes.append(reinterpret_cast<const char*>(in + at), length - shared);
    at += length - shared;
    entries.push_back(std::move(entry));
  }
  if (at != size) Fault(status::kEntriesMisfit);
  return entries;
}

}  // namespace

uint32_t BudgetOf(const PageContent& content) {
  uint32_t budget = format::kEmptyPageBudget;
  for (const StoreEntry& entry : content.entries) budget += EntryCost(entry.size(), content.level);
  return budget;
}

PageImage PageImage::Build(const PageContent& content, uint32_t budget) {
  const size_t k = content.entries.size();
  const size_t prefix = format::kPageHeaderSize + (content.level != 0 ? format::kChildSize * k : 0);
  std::vector<uint8_t> unpacked(prefix, 0);
  unpacked.reserve(budget);
  EncodeEntries(content.entries, unpacked);
  if (unpacked.size() > budget) Fault(status::kImageOverBudget);

  std::vector<uint8_t> stored;
  const size_t entry_bytes = unpacked.size() - prefix;
  std::optional<std::vector<uint8_t>> packed = Pack(unpacked.data() + prefix, entry_bytes);
  if (packed && RoundUp(prefix + packed->size()) < RoundUp(unpacked.size())) {
    stored.assign(unpacked.begin(), unpacked.begin() + static_cast<ptrdiff_t>(prefix));
    stored.insert(stored.end(), packed->begin(), packed->end());
  } else {
    stored = std::move(unpacked);
  }
  const size_t stored_length = stored.size();
  if (stored_length > format::kMaxPageSize) Fault(status::kImageTooLarge);

  PageImage image;
  image.size_class_ = static_cast<int>(RoundUp(stored_length) / format::kUnitSize);
  stored.resize(RoundUp(stored_length), format::kFiller);
  uint8_t* bytes = stored.data();
  StoreU16(bytes + format::kPageStoredLength, static_cast<uint16_t>(stored_length));
  StoreU16(bytes + format::kPageUnpackedLength, static_cast<uint16_t>(prefix + entry_bytes));
  StoreU16(bytes + format::kPageBudget, static_cast<uint16_t>(budget));
  StoreU16(bytes + format::kPageEntryCount, static_cast<uint16_t>(k));
  bytes[format::kPageLevel] = content.level;
  image.bytes_ = std::move(stored);
  if (content.level != 0) image.SetChildren(content.children);
  return image;
}

bool PageImage::packed() const { return stored_length() != unpacked_length(); }
uint16_t PageImage::stored_length() const {
  return LoadU16(bytes_.data() + format::kPageStoredLength);
}
uint16_t PageImage::unpacked_length() const {
  return LoadU16(bytes_.data() + format::kPageUnpackedLength);
}

void PageImage::SetHome(uint32_t offset) {
  StoreU32(bytes_.data() + format::kPageOwnOffset, offset);
}

void PageImage::SetChildren(const std::vector<int32_t>& children) {
  for (size_t i = 0; i < children.size(); ++i) {
    StoreU32(bytes_.data() + format::kPageHeaderSize + format::kChildSize * i,
             static_cast<uint32_t>(children[i]));
  }
}

PageContent PageImage::Read(const uint8_t* bytes, size_t class_size) {
  const size_t stored_length = LoadU16(bytes + format::kPageStoredLength);
  const size_t unpacked_length = LoadU16(bytes + format::kPageUnpackedLength);
  if (RoundUp(stored_length) != class_size) Fault(status::kPageSizeMismatch);
  PageContent content;
  content.level = bytes[format::kPageLevel];
  const size_t k = LoadU16(bytes + format::kPageEntryCount);
  const size_t prefix = format::kPageHeaderSize + (content.level != 0 ? format::kChildSize * k : 0);
  if (stored_length < prefix || unpacked_length < prefix || stored_length > unpacked_length) {
    Fault(status::kEntriesMisfit);
  }
  if (content.level != 0) {
    content.children.resize(k);
    for (size_t i = 0; i < k; ++i) {
      content.children[i] =
          static_cast<int32_t>(LoadU32(bytes + format::kPageHeaderSize + format::kChildSize * i));
    }
  }
  if (stored_length < unpacked_length) {
    const std::vector<uint8_t> entry_bytes =
        Unpack(bytes + prefix, stored_length - prefix, unpacked_length - prefix);
    content.entries = DecodeEntries(entry_bytes.data(), entry_bytes.size(), k);
  } else {
    content.entries = DecodeEntries(bytes + prefix, unpacked_length - prefix, k);
  }
  return content;
}

}  // namespace vaultara::store
