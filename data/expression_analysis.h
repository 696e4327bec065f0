#pragma once

#include <cstdint>
#include <functional>

#include "data/expression.h"
#include "data/expression_node.h"

namespace vaultara::data {

// The join level of a table (0 for the primary table of a view, 1 for a
// table joined to it, ...), as the user of an expression numbers them.
using LevelResolver = std::function<int(const void* table)>;

// The deepest join level among the tables whose fields the tree names;
// program variables (no table) and constants count as level 0.
int DependsOn(const ExpressionNode& node, const LevelResolver& level_of);
int DependsOn(const Expression& expression, const LevelResolver& level_of);

// Answers of PartialTruth.
inline constexpr int kPartialFalse = 0;
inline constexpr int kPartialTrue = 1;
inline constexpr int kPartialUndecided = 2;

// Whether the tree is true when only the tables up to level have been read:
// a part that names a deeper table is undecided, the rest is evaluated. AND
// is false as soon as one side is false, OR true as soon as one side is
// true, NOT turns true and false round; XOR and everything else are
// undecided when any part is.
int PartialTruth(const ExpressionNode& node, int level, const LevelResolver& level_of);
int PartialTruth(const Expression& expression, int level, const LevelResolver& level_of);

}  // namespace vaultara::data
