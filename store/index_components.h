#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/table_declaration.h"

namespace vaultara::store {

// Reads the components of a dynamic index from a text such as "-NAME,+CODE":
// names separated by commas, each optionally preceded by spaces and by "+"
// (ascending, the default) or "-" (descending). A name is a field's external
// name (its label when it has none), compared without regard to case;
// trailing spaces of a name are not part of it, so a padded text variable
// reads like a trimmed one.
//
// Returns 0 and the components, or 76 (data::err::kInvalidIndexString) when the text is empty,
// a name matches no field, or the field cannot be a key component.
int32_t ParseIndexComponents(std::string_view text, const TableDeclaration& table,
                             std::vector<StoredComponent>* components);

}  // namespace vaultara::store
