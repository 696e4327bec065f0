#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "store/store_entry.h"

namespace vaultara::store {

// The transaction mark of a data file: the entry with key [0xFF], whose data
// is the transaction number (4 bytes, big-endian) followed by the name of the
// transaction control file as zero-terminated text. A multi-file commit
// writes it as part of each file's changes; while that file's journal is
// pending, the mark tells recovery where to look whether the transaction
// completed (TransactionCompleted).
//
// A transaction control file is a store file without cipher or tables whose
// entries are keyed by transaction number (4 bytes, big-endian), without
// data: a number is present from before the first file's journal is written
// until every file's journal is, which is the moment the transaction becomes
// durable.
struct TransactionMark {
  uint32_t number = 0;
  std::string control_file;  // a path, or kDefaultControlFile
};

// The key of the mark entry.
inline constexpr std::string_view kTransactionMarkKey{"\xFF", 1};
// The name written when the control file is the default one of the data
// file's folder.
inline constexpr const char* kDefaultControlFile = "C:\\zepHyroN.TCF";
// The file name of a folder's default control file.
inline constexpr const char* kControlFileName = "zephyron.tcf";

StoreEntry EncodeTransactionMark(const TransactionMark& mark);
// nullopt for data shorter than a transaction number.
std::optional<TransactionMark> DecodeTransactionMark(const StoreEntry& entry);

// The control file a mark of data_file names: the mark's path, or for the
// default name "zephyron.tcf" in data_file's folder.
std::string ControlFileOf(const TransactionMark& mark, const std::string& data_file);
// "zephyron.tcf" in the folder of data_file.
std::string DefaultControlFile(const std::string& data_file);
// The control-file key of a transaction number.
std::string TransactionKey(uint32_t number);

}  // namespace vaultara::store
