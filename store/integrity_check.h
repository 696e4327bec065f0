#pragma once

#include <string>
#include <vector>

#include "store/status.h"
#include "store/store_file.h"

namespace vaultara::store {

// Checks a store file's integrity and describes each problem in one line of
// text; no problem means a sound file. Reads only.
//
// The page structure: every page of the tree can be read, levels fall by one
// towards the leaves, keys ascend across the whole tree, each separator but
// a page's first equals its child's first key, children match separators,
// only the root is empty, size budgets match the entries, and every page lies
// on a slot of its size class's region, each slot holding exactly one page.
//
// The tables: every table name names a table with a declaration; every entry
// belongs to a named table and is of a known kind; data records have the
// declared length; every entry of a key names an existing record and is the
// entry that record makes; every record has its entry in each key kept up to
// date (keys marked out of date are checked below their mark); memo segments
// belong to existing records; the data counter and the counters of keys kept
// up to date match the entries.
//
// A Status other than Ok means the check could not run at all (the header
// could not be read); faults met while reading pages are problems.
Status CheckIntegrity(StoreFile& file, std::vector<std::string>* problems);

}  // namespace vaultara::store
