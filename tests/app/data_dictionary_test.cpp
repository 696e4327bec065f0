#include "app/data_dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/statements.h"
#include "store/file_info.h"
#include "store/zephyron_driver.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::app {
namespace {

using data::FieldType;
namespace kf = data::key_flag;

constexpr uint32_t kReadWriteDenyNone = 0x42;

TEST(DataDictionaryTest, FieldsLieAtTheirOffsetsInRecordsOfTheirSizes) {
  DataDictionary d(store::TheZephyronDriver());
  struct Expected {
    DictionaryTable* table;
    const char* field;
    uint32_t offset;
    FieldType type;
    uint32_t size;
  };
  const std::vector<Expected> fields = {
      {&d.pro, "PRO:SYSID", 0, FieldType::kLong, 4},
      {&d.pro, "PRO:VENSYSID", 4, FieldType::kLong, 4},
      {&d.pro, "PRO:TYPSYSID", 8, FieldType::kLong, 4},
      {&d.pro, "PRO:NAME", 12, FieldType::kString, 60},
      {&d.pro, "PRO:USERID", 72, FieldType::kString, 255},
      {&d.pro, "PRO:PASSWORD", 327, FieldType::kString, 255},
      {&d.pro, "PRO:EXPIREDATE", 582, FieldType::kLong, 4},
      {&d.typ, "TYP:SYSID", 0, FieldType::kLong, 4},
      {&d.typ, "TYP:PARENTS", 4, FieldType::kLong, 4},
      {&d.typ, "TYP:TYPETYPE", 8, FieldType::kLong, 4},
      {&d.typ, "TYP:NAME", 12, FieldType::kString, 60},
      {&d.typ, "TYP:DESCRIPTION", 72, FieldType::kString, 100},
      {&d.ven, "VEN:SYSID", 0, FieldType::kLong, 4},
      {&d.ven, "VEN:NAME", 4, FieldType::kString, 60},
      {&d.ven, "VEN:ADDRESS", 64, FieldType::kString, 500},
      {&d.ven, "VEN:PHONE", 564, FieldType::kString, 60},
      {&d.ven, "VEN:FAX", 624, FieldType::kString, 60},
      {&d.ven, "VEN:EMAIL", 684, FieldType::kString, 60},
      {&d.ven, "VEN:URL", 744, FieldType::kString, 100},
      {&d.dum, "DUM:SYSID", 0, FieldType::kLong, 4},
      {&d.dum, "DUM:NAME", 4, FieldType::kString, 60},
      {&d.typa, "TYPA:NAME", 12, FieldType::kString, 60},
      {&d.typa, "TYPA:DESCRIPTION", 72, FieldType::kString, 100},
      {&d.vena, "VENA:URL", 744, FieldType::kString, 100},
  };
  for (const Expected& e : fields) {
    const data::FieldDescriptor& f = e.table->Field(e.field);
    EXPECT_EQ(f.offset, e.offset) << e.field;
    EXPECT_EQ(f.type, e.type) << e.field;
    EXPECT_EQ(f.size, e.size) << e.field;
  }
  EXPECT_EQ(d.pro.file.record_length, 586u);
  EXPECT_EQ(d.typ.file.record_length, 172u);
  EXPECT_EQ(d.ven.file.record_length, 844u);
  EXPECT_EQ(d.dum.file.record_length, 64u);
  EXPECT_EQ(d.typa.file.record_length, 172u);
  EXPECT_EQ(d.vena.file.record_length, 844u);
  EXPECT_EQ(d.pro.declaration.fields.size(), 7u);
  EXPECT_EQ(d.vena.declaration.fields.size(), 7u);
}

TEST(DataDictionaryTest, KeysMemosAttributesAndVariables) {
  DataDictionary d(store::TheZephyronDriver());
  struct Expected {
    DictionaryTable* table;
    const char* key;
    const char* description;
    uint32_t flags;
    std::vector<int32_t> components;
    bool auto_number;
  };
  const uint32_t unique = kf::kPrimary | kf::kNoCase | kf::kOpt;
  const uint32_t dup = kf::kDup | kf::kNoCase | kf::kOpt;
  const std::vector<Expected> keys = {
      {&d.pro, "PRO:K__", "Primary Key", unique, {1}, true},
      {&d.pro, "PRO:K_VENNAME", "PRO:K_VENName", dup, {2, 4}, false},
      {&d.pro, "PRO:K_TYPNAME", "PRO:K_TYPName", dup, {3, 4}, false},
      {&d.pro, "PRO:K_NAME", "PRO:K_Name", dup, {4}, false},
      {&d.typ, "TYP:K__", "TYP:K__", unique, {1}, true},
      {&d.typ, "TYP:K_NAME", "By Name", kf::kNoCase | kf::kOpt, {3, 4}, false},
      {&d.typ, "TYP:K_PARENTNAME", "By Parent SysID, Name", dup, {2, 4}, false},
      {&d.ven, "VEN:K__", "Primary Key", unique, {1}, true},
      {&d.ven, "VEN:K_NAME", "VEN:K_Name", dup, {2}, false},
      {&d.dum, "DUM:K__", "Primary Key", unique, {1}, true},
      {&d.typa, "TYPA:K__", "TYPa:K__", unique, {1}, true},
      {&d.typa, "TYPA:K_NAME", "By Name", kf::kNoCase | kf::kOpt, {3, 4}, false},
      {&d.typa, "TYPA:K_PARENTNAME", "By Parent SysID, Name", dup, {2, 4}, false},
      {&d.vena, "VENA:K__", "Primary Key", unique, {1}, true},
      {&d.vena, "VENA:K_NAME", "VENa:K_Name", dup, {2}, false},
  };
  for (const Expected& e : keys) {
    const data::KeyControlBlock& key = e.table->Key(e.key);
    EXPECT_EQ(key.flags, e.flags) << e.key;
    EXPECT_EQ(key.components, e.components) << e.key;
    const KeyInfo* info = nullptr;
    for (const KeyInfo& k : e.table->keys) {
      if (k.key == &key) info = &k;
    }
    ASSERT_NE(info, nullptr) << e.key;
    EXPECT_EQ(info->label, e.key);
    EXPECT_EQ(info->description, e.description) << e.key;
    EXPECT_EQ(info->auto_number, e.auto_number) << e.key;
  }
  EXPECT_EQ(d.pro.keys.size(), 4u);
  EXPECT_EQ(d.typ.keys.size(), 3u);
  EXPECT_EQ(d.ven.keys.size(), 2u);
  EXPECT_EQ(d.dum.keys.size(), 1u);

  for (DictionaryTable* t : {&d.pro, &d.ven, &d.vena}) {
    ASSERT_EQ(t->file.memos.size(), 1u) << t->prefix;
    EXPECT_EQ(t->file.memos[0]->size, 8000u);
    EXPECT_EQ(t->file.memos[0]->flags, 0u);
  }
  EXPECT_TRUE(d.typ.file.memos.empty());
  EXPECT_TRUE(d.dum.file.memos.empty());

  d.SetMasterPassword("sesame");
  d.SetPasswordFile("/home/ann/mine.vapwd");
  for (DictionaryTable* t : d.Tables()) {
    EXPECT_EQ(t->file.attributes, 0x17) << t->prefix;
    EXPECT_EQ(t->file.owner.data, d.globals.master_password.data());
    EXPECT_EQ(t->file.owner.length, 100);
    EXPECT_EQ(t->file.owner.Read(), "sesame");
  }
  EXPECT_EQ(std::string(data::TrimRight(d.pro.file.name.Read())),
            "/home/ann/mine.vapwd\\!Products");
  EXPECT_EQ(std::string(data::TrimRight(d.typa.file.name.Read())), "/home/ann/mine.vapwd\\!Types");
  EXPECT_EQ(d.typa.file.name.data, d.typ.file.name.data);
  EXPECT_EQ(d.vena.file.name.data, d.ven.file.name.data);
  EXPECT_EQ(std::string(data::TrimRight(d.ven.file.name.Read())), "/home/ann/mine.vapwd\\!Vendors");
  EXPECT_EQ(d.pro.file.name.length, 200);
  EXPECT_EQ(d.dum.file.name.length, 1);
  EXPECT_EQ(d.dum.file.name.data[0], ' ');
  EXPECT_EQ(
      std::string(data::TrimRight(std::string_view(d.globals.password_file_name.data(), 255))),
      "/home/ann/mine.vapwd");
  EXPECT_EQ(d.globals.category_kind, 1);
  EXPECT_EQ(CategoryKindName(1), "Product Categories");
  EXPECT_EQ(CategoryKindName(2), "");
  EXPECT_EQ(d.typa.aliased, &d.typ);
  EXPECT_EQ(d.vena.aliased, &d.ven);
  // Buffers start cleared.
  EXPECT_EQ(d.pro.GetLong("PRO:SYSID"), 0);
  EXPECT_EQ(std::string(d.pro.record.data() + 12, 60), std::string(60, ' '));
}

// A password file built through the statements alone, as the program's
// windows do: a table the file lacks is created and opened again.
class PasswordFileTest : public platform::ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    path_ = PathOf("mine.vapwd");
    dictionary_.SetMasterPassword("correct horse");
    dictionary_.SetPasswordFile(path_);
    data::ClearErrors();
  }
  void TearDown() override {
    dictionary_.DestroyStates();
    ScratchFolder::TearDown();
  }

  static int32_t OpenOrCreate(DictionaryTable& table) {
    int32_t outcome = data::Open(table.file, kReadWriteDenyNone);
    if (outcome == data::err::kFileNotFound) {
      outcome = data::Create(table.file);
      if (outcome == 0) outcome = data::Open(table.file, kReadWriteDenyNone);
    }
    return outcome;
  }

  std::vector<std::string> TablesInFile() {
    std::unique_ptr<store::StoreFile> file;
    EXPECT_TRUE(store::OpenForInspection(platform_, path_, "correct horse", &file).ok());
    std::vector<store::StoredTable> tables;
    if (file) {
      EXPECT_TRUE(store::ListTables(*file, &tables).ok());
    }
    std::vector<std::string> names;
    for (const auto& t : tables) names.push_back(t.name);
    return names;
  }

  int32_t AddCategory(int32_t id, const std::string& name) {
    DictionaryTable& t = dictionary_.typ;
    t.ClearBuffer();
    t.SetLong("TYP:SYSID", id);
    t.SetLong("TYP:TYPETYPE", kCategoryKind);
    t.SetText("TYP:NAME", name);
    return data::Add(t.file);
  }

  DataDictionary dictionary_{store::TheZephyronDriver()};
  std::string path_;
};

TEST_F(PasswordFileTest, TablesAppearAsTheyAreFirstOpenedAndDummyNever) {
  ASSERT_EQ(OpenOrCreate(dictionary_.typ), 0);
  EXPECT_EQ(TablesInFile(), std::vector<std::string>{"TYPES"});
  for (DictionaryTable* t :
       {&dictionary_.pro, &dictionary_.typa, &dictionary_.ven, &dictionary_.vena}) {
    ASSERT_EQ(OpenOrCreate(*t), 0) << t->prefix;
  }
  EXPECT_EQ(TablesInFile(), (std::vector<std::string>{"PRODUCTS", "TYPES", "VENDORS"}));
  EXPECT_TRUE(store::LooksEnciphered(platform_, path_));
}

TEST_F(PasswordFileTest, CategoryNamesAreUniqueRegardlessOfCaseVendorAndEntryNamesNot) {
  for (DictionaryTable* t : {&dictionary_.typ, &dictionary_.ven, &dictionary_.pro}) {
    ASSERT_EQ(OpenOrCreate(*t), 0);
  }
  ASSERT_EQ(AddCategory(1, "Banking"), 0);
  EXPECT_EQ(AddCategory(2, "BANKING"), data::err::kCreatesDuplicateKey);
  EXPECT_EQ(data::ErrorCode(), data::err::kCreatesDuplicateKey);
  EXPECT_EQ(AddCategory(3, "Shopping"), 0);

  DictionaryTable& ven = dictionary_.ven;
  for (int32_t id : {1, 2}) {
    ven.ClearBuffer();
    ven.SetLong("VEN:SYSID", id);
    ven.SetText("VEN:NAME", "Acme");
    ven.SetText("VEN:ADDRESS", std::string(500, 'a'));
    EXPECT_EQ(data::Add(ven.file), 0);
  }
  DictionaryTable& pro = dictionary_.pro;
  for (int32_t id : {1, 2}) {
    pro.ClearBuffer();
    pro.SetLong("PRO:SYSID", id);
    pro.SetText("PRO:NAME", "Mail");
    pro.SetText("PRO:PASSWORD", "s3cret");
    pro.Memo("PRO:NOTES").buffer[0] = 'n';
    EXPECT_EQ(data::Add(pro.file), 0);
  }
  EXPECT_EQ(data::RecordsFile(ven.file), 2);
  EXPECT_EQ(data::RecordsFile(pro.file), 2);
  // An entry with no vendor still appears in the vendor-name order.
  EXPECT_EQ(data::RecordsKey(pro.Key("PRO:K_VENNAME")), 2);

  // The alias reads the same table through its own buffer.
  ASSERT_EQ(OpenOrCreate(dictionary_.typa), 0);
  dictionary_.typa.SetLong("TYPA:SYSID", 3);
  ASSERT_EQ(data::GetFileKey(dictionary_.typa.file, dictionary_.typa.Key("TYPA:K__")), 0);
  EXPECT_EQ(dictionary_.typa.GetText("TYPA:NAME"), "Shopping");
  ASSERT_EQ(OpenOrCreate(dictionary_.vena), 0);
  dictionary_.vena.SetLong("VENA:SYSID", 2);
  ASSERT_EQ(data::GetFileKey(dictionary_.vena.file, dictionary_.vena.Key("VENA:K__")), 0);
  EXPECT_EQ(dictionary_.vena.GetText("VENA:NAME"), "Acme");
  EXPECT_EQ(dictionary_.vena.GetText("VENA:ADDRESS").size(), 500u);
}

TEST_F(PasswordFileTest, AWrongMasterPasswordFailsTheOpen) {
  ASSERT_EQ(OpenOrCreate(dictionary_.typ), 0);
  ASSERT_EQ(AddCategory(1, "Banking"), 0);
  dictionary_.DestroyStates();

  DataDictionary other(store::TheZephyronDriver());
  other.SetPasswordFile(path_);
  other.SetMasterPassword("wrong horse");
  EXPECT_EQ(data::Open(other.typ.file, kReadWriteDenyNone), data::err::kInvalidDataFile);
  other.SetMasterPassword("correct horse");
  EXPECT_EQ(data::Open(other.typ.file, kReadWriteDenyNone), 0);
  other.typ.SetLong("TYP:SYSID", 1);
  ASSERT_EQ(data::GetFileKey(other.typ.file, other.typ.Key("TYP:K__")), 0);
  EXPECT_EQ(other.typ.GetText("TYP:NAME"), "Banking");
  other.DestroyStates();
}

}  // namespace
}  // namespace vaultara::app
