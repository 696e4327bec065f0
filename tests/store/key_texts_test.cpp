#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/index_components.h"
#include "store/position_string.h"

namespace vaultara::store {
namespace {

TEST(IndexComponents, ReadsNamesDirectionsAndRefusesUnknownNames) {
  TableDeclaration table;
  for (const char* name : {"ID", "Name", "T:CODE"}) {
    StoredField field;
    field.type = 6;
    field.size = 4;
    field.name = name;
    table.fields.push_back(field);
  }
  struct Case {
    const char* text;
    int32_t error;
    std::vector<StoredComponent> components;
  };
  const std::vector<Case> cases = {
      {"-ID,+name", 0, {{0, 1}, {1, 0}}},
      {"  t:code ,  -Name   ", 0, {{2, 0}, {1, 1}}},
      {"NAME", 0, {{1, 0}}},
      {"", 76, {}},
      {"   ", 76, {}},
      {"-ID,NMAE", 76, {}},
      {"ID,,NAME", 76, {}},
      {"ID,", 76, {}},
  };
  for (const Case& c : cases) {
    std::vector<StoredComponent> components;
    EXPECT_EQ(ParseIndexComponents(c.text, table, &components), c.error) << c.text;
    if (c.error == 0) {
      EXPECT_EQ(components, c.components) << c.text;
    }
  }
}

TEST(PositionString, CarriesTheRecordNumberBigEndianThenTheValue) {
  const std::string position = MakePosition(0x01020304, "key");
  EXPECT_EQ(position, "\x01\x02\x03\x04key");
  uint32_t record = 0;
  std::string value;
  ReadPosition(position, 5, &record, &value);
  EXPECT_EQ(record, 0x01020304u);
  EXPECT_EQ(value, std::string("key\0\0", 5));
  ReadPosition("\x01", 2, &record, &value);  // short texts read as zero-filled
  EXPECT_EQ(record, 0x01000000u);
  EXPECT_EQ(value, std::string(2, '\0'));
}

}  // namespace
}  // namespace vaultara::store
