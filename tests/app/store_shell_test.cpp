#include "app/store_shell.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/data_dictionary.h"
#include "data/statements.h"
#include "store/zephyron_driver.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::app {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

class StoreShellTest : public platform::ScratchFolder {
 protected:
  Outcome Run(const std::vector<std::string>& args, const std::string& input = "",
              std::optional<std::string> owner = std::nullopt) {
    std::istringstream in(input);
    std::ostringstream out, err;
    StoreShell shell(platform_, store::TheZephyronDriver(), in, out, err);
    shell.set_owner(owner);
    const std::vector<std::string> operands(args.begin() + 1, args.end());
    const int status = shell.Run(args[0], operands);
    return Outcome{status, out.str(), err.str()};
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(PathOf(name)) << text;
    return PathOf(name);
  }
  std::string Table(const std::string& file, const std::string& table) {
    return PathOf(file) + "\\!" + table;
  }
};

// Every field type the store keeps, a group with members, an array, a text
// memo, a binary memo and a blob.
constexpr const char* kEveryType =
    "{\"fields\": [{\"name\": \"ALL:BYTE\", \"type\": \"BYTE\"},\n"
    "{\"name\": \"ALL:SHORT\", \"type\": \"SHORT\"},\n"
    "{\"name\": \"ALL:USHORT\", \"type\": \"USHORT\"},\n"
    "{\"name\": \"ALL:DATE\", \"type\": \"DATE\"},\n"
    "{\"name\": \"ALL:TIME\", \"type\": \"TIME\"},\n"
    "{\"name\": \"ALL:LONG\", \"type\": \"LONG\"},\n"
    "{\"name\": \"ALL:ULONG\", \"type\": \"ULONG\"},\n"
    "{\"name\": \"ALL:SREAL\", \"type\": \"SREAL\"},\n"
    "{\"name\": \"ALL:REAL\", \"type\": \"REAL\"},\n"
    "{\"name\": \"ALL:AMOUNT\", \"type\": \"DECIMAL\", \"size\": 7, \"places\": 2},\n"
    "{\"name\": \"ALL:STRING\", \"type\": \"STRING\", \"length\": 20},\n"
    "{\"name\": \"ALL:CSTRING\", \"type\": \"CSTRING\", \"length\": 10},\n"
    "{\"name\": \"ALL:PSTRING\", \"type\": \"PSTRING\", \"length\": 10},\n"
    "{\"name\": \"ALL:GROUP\", \"type\": \"GROUP\", \"size\": 6},\n"
    "{\"name\": \"ALL:INNER\", \"type\": \"LONG\"},\n"
    "{\"name\": \"ALL:CODE\", \"type\": \"STRING\", \"length\": 2},\n"
    "{\"name\": \"ALL:SCORES\", \"type\": \"SHORT\", \"count\": 3}],\n"
    " \"memos\": [{\"name\": \"ALL:NOTES\", \"size\": 300, \"binary\": false},\n"
    "{\"name\": \"ALL:RAW\", \"size\": 20, \"binary\": true},\n"
    "{\"name\": \"ALL:PICTURE\", \"blob\": true, \"binary\": true}],\n"
    " \"keys\": [{\"name\": \"ALL:K_LONG\", \"components\": [\"+ALL:LONG\"], \"primary\": true,"
    " \"dup\": false, \"opt\": false, \"nocase\": false},\n"
    "{\"name\": \"ALL:K_TEXT\", \"label\": \"ALL:K_Text\", \"components\": [\"-ALL:STRING\","
    " \"ALL:AMOUNT\"], \"primary\": false, \"dup\": true, \"opt\": true, \"nocase\": true}],\n"
    " \"owner\": false}\n";

constexpr const char* kEveryTypeSchema =
    "{\"fields\": [{\"name\": \"ALL:BYTE\", \"type\": \"BYTE\"},\n"
    "            {\"name\": \"ALL:SHORT\", \"type\": \"SHORT\"},\n"
    "            {\"name\": \"ALL:USHORT\", \"type\": \"USHORT\"},\n"
    "            {\"name\": \"ALL:DATE\", \"type\": \"DATE\"},\n"
    "            {\"name\": \"ALL:TIME\", \"type\": \"TIME\"},\n"
    "            {\"name\": \"ALL:LONG\", \"type\": \"LONG\"},\n"
    "            {\"name\": \"ALL:ULONG\", \"type\": \"ULONG\"},\n"
    "            {\"name\": \"ALL:SREAL\", \"type\": \"SREAL\"},\n"
    "            {\"name\": \"ALL:REAL\", \"type\": \"REAL\"},\n"
    "            {\"name\": \"ALL:AMOUNT\", \"type\": \"DECIMAL\", \"size\": 7, \"places\": 2},\n"
    "            {\"name\": \"ALL:STRING\", \"type\": \"STRING\", \"length\": 20},\n"
    "            {\"name\": \"ALL:CSTRING\", \"type\": \"CSTRING\", \"length\": 10},\n"
    "            {\"name\": \"ALL:PSTRING\", \"type\": \"PSTRING\", \"length\": 10},\n"
    "            {\"name\": \"ALL:GROUP\", \"type\": \"GROUP\", \"size\": 6},\n"
    "            {\"name\": \"ALL:INNER\", \"type\": \"LONG\"},\n"
    "            {\"name\": \"ALL:CODE\", \"type\": \"STRING\", \"length\": 2},\n"
    "            {\"name\": \"ALL:SCORES\", \"type\": \"SHORT\", \"count\": 3}],\n"
    " \"memos\": [{\"name\": \"ALL:NOTES\", \"size\": 300, \"binary\": false},\n"
    "           {\"name\": \"ALL:RAW\", \"size\": 20, \"binary\": true},\n"
    "           {\"name\": \"ALL:PICTURE\", \"blob\": true, \"binary\": true}],\n"
    " \"keys\": [{\"name\": \"ALL:K_LONG\", \"components\": [\"+ALL:LONG\"], \"primary\": true,"
    " \"dup\": false, \"opt\": false, \"nocase\": false},\n"
    "          {\"name\": \"ALL:K_TEXT\", \"label\": \"ALL:K_Text\", \"components\":"
    " [\"-ALL:STRING\", \"+ALL:AMOUNT\"], \"primary\": false, \"dup\": true, \"opt\": true,"
    " \"nocase\": true}],\n"
    " \"owner\": false}\n";

// Records as dump writes them: every field and memo, in declaration order.
const std::vector<std::string> kEveryTypeRecords = {
    "{\"ALL:BYTE\": 255, \"ALL:SHORT\": -32768, \"ALL:USHORT\": 65535, \"ALL:DATE\": 80000, "
    "\"ALL:TIME\": 360001, \"ALL:LONG\": -2147483648, \"ALL:ULONG\": 4294967295, "
    "\"ALL:SREAL\": 1.5, \"ALL:REAL\": -0.1, \"ALL:AMOUNT\": \"-12.34\", "
    "\"ALL:STRING\": \"Zo\xC3\xAB \xE2\x82\xAC\", \"ALL:CSTRING\": \"nine char\", "
    "\"ALL:PSTRING\": \"pascal\", \"ALL:INNER\": 7, \"ALL:CODE\": \"ab\", "
    "\"ALL:SCORES\": [1, -2, 3], \"ALL:NOTES\": \"line one\\nline two\", "
    "\"ALL:RAW\": \"\\u0001\\u0002bin\", \"ALL:PICTURE\": \"blob bytes\"}",
    "{\"ALL:BYTE\": 0, \"ALL:SHORT\": 0, \"ALL:USHORT\": 0, \"ALL:DATE\": 0, \"ALL:TIME\": 0, "
    "\"ALL:LONG\": 2, \"ALL:ULONG\": 0, \"ALL:SREAL\": 0, \"ALL:REAL\": 0, \"ALL:AMOUNT\": "
    "\"99999.99\", \"ALL:STRING\": \"\", \"ALL:CSTRING\": \"\", \"ALL:PSTRING\": \"\", "
    "\"ALL:INNER\": 0, \"ALL:CODE\": \"\", \"ALL:SCORES\": [0, 0, 0], \"ALL:NOTES\": \"\", "
    "\"ALL:RAW\": \"\", \"ALL:PICTURE\": \"\"}",
};

TEST_F(StoreShellTest, CreateImportDumpGiveBackWhatWentIn) {
  const std::string table = Table("all.zph", "everything");
  ASSERT_EQ(Run({"create", table, Write("all.json", kEveryType)}).status, 0);
  EXPECT_EQ(Run({"schema", table}).out, kEveryTypeSchema);
  std::string lines;
  for (const std::string& line : kEveryTypeRecords) lines += line + "\n";
  const Outcome imported = Run({"import", table}, lines);
  EXPECT_EQ(imported.status, 0) << imported.err;
  const Outcome dumped = Run({"dump", table});
  EXPECT_EQ(dumped.status, 0) << dumped.err;
  EXPECT_EQ(dumped.out, lines);
  // The schema read back creates the same table again.
  const Outcome again =
      Run({"create", Table("all.zph", "again"), Write("again.json", Run({"schema", table}).out)});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Run({"schema", Table("all.zph", "again")}).out, kEveryTypeSchema);
  // In the order of the descending text key: blank strings sort last.
  const Outcome by_key = Run({"dump", table, "--key", "ALL:K_Text"});
  EXPECT_EQ(by_key.out, lines);
  EXPECT_EQ(Run({"tables", PathOf("all.zph")}).out, "AGAIN\nEVERYTHING\n");
  EXPECT_EQ(Run({"check", PathOf("all.zph")}).out, "ok\n");
  EXPECT_EQ(Run({"build", table}).status, 0);
  EXPECT_EQ(Run({"pack", table}).status, 0);
  EXPECT_EQ(Run({"check", PathOf("all.zph")}).out, "ok\n");
}

TEST_F(StoreShellTest, ImportReportsBadLinesByNumberAndAddsTheOthers) {
  const std::string table = Table("p.zph", "people");
  ASSERT_EQ(Run({"create", table,
                 Write("p.json",
                       "{\"fields\": [{\"name\": \"P:ID\", \"type\": \"BYTE\"},"
                       " {\"name\": \"P:NAME\", \"type\": \"STRING\", "
                       "\"length\": 4}], \"keys\": [{\"name\": \"P:K\", "
                       "\"components\": [\"P:ID\"]}]}")})
                .status,
            0);
  const std::string input =
      "{\"P:ID\": 1, \"P:NAME\": \"one\"}\n"
      "{\"P:ID\": 2,\n"
      "{\"P:ID\": 3, \"P:AGE\": 4}\n"
      "\n"
      "{\"P:ID\": 300}\n"
      "{\"P:ID\": 5, \"P:NAME\": \"too long\"}\n"
      "{\"P:ID\": 1, \"P:NAME\": \"dup\"}\n"
      "{\"P:ID\": 6, \"P:NAME\": \"\xE4\xB8\xAD\"}\n"
      "{\"P:ID\": 7, \"P:NAME\": \"last\"}\r\n";
  const Outcome imported = Run({"import", table}, input);
  EXPECT_EQ(imported.status, 1);
  EXPECT_EQ(imported.err,
            "zephyron: line 2: bad JSON: expected a member name at column 12\n"
            "zephyron: line 3: no field or memo \"P:AGE\"\n"
            "zephyron: line 5: \"P:ID\" is out of range (0 to 255)\n"
            "zephyron: line 6: \"P:NAME\" is too long (8 characters, at most 4)\n"
            "zephyron: line 7: error 40: Creates Duplicate Key\n"
            "zephyron: line 8: \"P:NAME\" holds a character that Windows-1252 lacks\n");
  EXPECT_EQ(Run({"dump", table}).out,
            "{\"P:ID\": 1, \"P:NAME\": \"one\"}\n{\"P:ID\": 7, \"P:NAME\": \"last\"}\n");
  EXPECT_EQ(Run({"check", PathOf("p.zph")}).status, 0);
}

TEST_F(StoreShellTest, ErrorsNameTheStoreErrorAndAWrongPassword) {
  const std::string table = Table("s.zph", "secret");
  const std::string json = Write("s.json",
                                 "{\"fields\": [{\"name\": \"S:X\", \"type\": \"LONG\"}], "
                                 "\"owner\": true}");
  EXPECT_EQ(Run({"create", table, json}).err,
            "zephyron: " + table +
                ": the table is to be enciphered: give an owner password with --owner or "
                "ZEPHYRON_OWNER\n");
  ASSERT_EQ(Run({"create", table, json}, "", "pw").status, 0);
  EXPECT_EQ(Run({"import", table}, "{\"S:X\": 5}\n", "pw").status, 0);

  const Outcome wrong = Run({"dump", table}, "", "wrong");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.err,
            "zephyron: " + table + ": wrong owner password (error 36: Invalid Data File)\n");
  EXPECT_EQ(
      Run({"check", PathOf("s.zph")}, "", "wrong").err,
      "zephyron: " + PathOf("s.zph") + ": wrong owner password (error 36: Invalid Data File)\n");
  EXPECT_NE(Run({"tables", PathOf("s.zph")}).err.find("is enciphered"), std::string::npos);
  EXPECT_EQ(Run({"schema", Table("s.zph", "nothing")}, "", "pw").err,
            "zephyron: " + Table("s.zph", "nothing") + ": error 2: File Not Found\n");
  EXPECT_EQ(Run({"dump", table, "--key", "S:NONE"}, "", "pw").err,
            "zephyron: " + table + ": no key \"S:NONE\"\n");
  EXPECT_EQ(Run({"frobnicate"}).status, 2);
  EXPECT_EQ(Run({"dump"}).status, 2);
  EXPECT_EQ(Run({"dump", table}, "", "pw").out, "{\"S:X\": 5}\n");

  // Copy, rename and remove through the statements; the file goes with
  // its last table.
  EXPECT_EQ(Run({"copy", table, Table("t.zph", "copied")}, "", "pw").status, 0);
  EXPECT_EQ(Run({"rename", Table("t.zph", "copied"), Table("t.zph", "moved")}, "", "pw").status, 0);
  EXPECT_EQ(Run({"tables", PathOf("t.zph")}, "", "pw").out, "MOVED\n");
  EXPECT_EQ(Run({"dump", Table("t.zph", "moved")}, "", "pw").out, "{\"S:X\": 5}\n");
  EXPECT_EQ(Run({"remove", Table("t.zph", "moved")}, "", "pw").status, 0);
  EXPECT_FALSE(platform_.Exists(PathOf("t.zph")));
  EXPECT_EQ(Run({"check", PathOf("s.zph")}, "", "pw").out, "ok\n");
}

TEST_F(StoreShellTest, SchemaShowsTheDictionaryAsDeclared) {
  const std::string path = PathOf("mine.vapwd");
  {
    DataDictionary dictionary(store::TheZephyronDriver());
    dictionary.SetMasterPassword("master");
    dictionary.SetPasswordFile(path);
    for (DictionaryTable* t : {&dictionary.typ, &dictionary.pro, &dictionary.ven}) {
      ASSERT_EQ(data::Create(t->file), 0) << t->prefix;
    }
    ASSERT_EQ(data::Open(dictionary.pro.file, 0x42), 0);
    dictionary.pro.SetLong("PRO:SYSID", 1);
    dictionary.pro.SetText("PRO:NAME", "Mail");
    ASSERT_EQ(data::Add(dictionary.pro.file), 0);
    dictionary.DestroyStates();
  }
  EXPECT_EQ(Run({"schema", path + "\\!Products"}, "", "master").out,
            "{\"fields\": [{\"name\": \"PRO:SYSID\", \"type\": \"LONG\"},\n"
            "            {\"name\": \"PRO:VENSYSID\", \"type\": \"LONG\"},\n"
            "            {\"name\": \"PRO:TYPSYSID\", \"type\": \"LONG\"},\n"
            "            {\"name\": \"PRO:NAME\", \"type\": \"STRING\", \"length\": 60},\n"
            "            {\"name\": \"PRO:USERID\", \"type\": \"STRING\", \"length\": 255},\n"
            "            {\"name\": \"PRO:PASSWORD\", \"type\": \"STRING\", \"length\": 255},\n"
            "            {\"name\": \"PRO:EXPIREDATE\", \"type\": \"LONG\"}],\n"
            " \"memos\": [{\"name\": \"PRO:NOTES\", \"size\": 8000, \"binary\": false}],\n"
            " \"keys\": [{\"name\": \"PRO:K__\", \"components\": [\"+PRO:SYSID\"], \"primary\": "
            "true, \"dup\": false, \"opt\": true, \"nocase\": true},\n"
            "          {\"name\": \"PRO:K_VENNAME\", \"components\": [\"+PRO:VENSYSID\", "
            "\"+PRO:NAME\"], \"primary\": false, \"dup\": true, \"opt\": true, \"nocase\": true},\n"
            "          {\"name\": \"PRO:K_TYPNAME\", \"components\": [\"+PRO:TYPSYSID\", "
            "\"+PRO:NAME\"], \"primary\": false, \"dup\": true, \"opt\": true, \"nocase\": true},\n"
            "          {\"name\": \"PRO:K_NAME\", \"components\": [\"+PRO:NAME\"], \"primary\": "
            "false, \"dup\": true, \"opt\": true, \"nocase\": true}],\n"
            " \"owner\": true}\n");
  EXPECT_EQ(
      Run({"schema", path + "\\!Types"}, "", "master").out,
      "{\"fields\": [{\"name\": \"TYP:SYSID\", \"type\": \"LONG\"},\n"
      "            {\"name\": \"TYP:PARENTS\", \"type\": \"LONG\"},\n"
      "            {\"name\": \"TYP:TYPETYPE\", \"type\": \"LONG\"},\n"
      "            {\"name\": \"TYP:NAME\", \"type\": \"STRING\", \"length\": 60},\n"
      "            {\"name\": \"TYP:DESCRIPTION\", \"type\": \"STRING\", \"length\": 100}],\n"
      " \"memos\": [],\n"
      " \"keys\": [{\"name\": \"TYP:K__\", \"components\": [\"+TYP:SYSID\"], \"primary\": "
      "true, \"dup\": false, \"opt\": true, \"nocase\": true},\n"
      "          {\"name\": \"TYP:K_NAME\", \"components\": [\"+TYP:TYPETYPE\", "
      "\"+TYP:NAME\"], \"primary\": false, \"dup\": false, \"opt\": true, \"nocase\": true},\n"
      "          {\"name\": \"TYP:K_PARENTNAME\", \"components\": [\"+TYP:PARENTS\", "
      "\"+TYP:NAME\"], \"primary\": false, \"dup\": true, \"opt\": true, \"nocase\": true}],\n"
      " \"owner\": true}\n");
  EXPECT_EQ(Run({"schema", path + "\\!Vendors"}, "", "master").out,
            "{\"fields\": [{\"name\": \"VEN:SYSID\", \"type\": \"LONG\"},\n"
            "            {\"name\": \"VEN:NAME\", \"type\": \"STRING\", \"length\": 60},\n"
            "            {\"name\": \"VEN:ADDRESS\", \"type\": \"STRING\", \"length\": 500},\n"
            "            {\"name\": \"VEN:PHONE\", \"type\": \"STRING\", \"length\": 60},\n"
            "            {\"name\": \"VEN:FAX\", \"type\": \"STRING\", \"length\": 60},\n"
            "            {\"name\": \"VEN:EMAIL\", \"type\": \"STRING\", \"length\": 60},\n"
            "            {\"name\": \"VEN:URL\", \"type\": \"STRING\", \"length\": 100}],\n"
            " \"memos\": [{\"name\": \"VEN:NOTES\", \"size\": 8000, \"binary\": false}],\n"
            " \"keys\": [{\"name\": \"VEN:K__\", \"components\": [\"+VEN:SYSID\"], \"primary\": "
            "true, \"dup\": false, \"opt\": true, \"nocase\": true},\n"
            "          {\"name\": \"VEN:K_NAME\", \"components\": [\"+VEN:NAME\"], \"primary\": "
            "false, \"dup\": true, \"opt\": true, \"nocase\": true}],\n"
            " \"owner\": true}\n");
  EXPECT_EQ(Run({"tables", path}, "", "master").out, "PRODUCTS\nTYPES\nVENDORS\n");
  EXPECT_EQ(Run({"check", path}, "", "master").out, "ok\n");
  const Outcome dumped = Run({"dump", path + "\\!Products", "--key", "PRO:K_NAME"}, "", "master");
  EXPECT_NE(dumped.out.find("\"PRO:NAME\": \"Mail\""), std::string::npos) << dumped.err;
}

}  // namespace
}  // namespace vaultara::app
