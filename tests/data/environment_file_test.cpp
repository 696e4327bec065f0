#include "data/environment_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/character_tables.h"
#include "data/environment_value.h"
#include "data/locale_texts.h"
#include "data/replacement_texts.h"
#include "platform/code_page.h"
#include "tests/data/in_memory_files.h"

namespace vaultara::data {
namespace {

constexpr int32_t kButton = 32512;

class EnvironmentFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetEnvironment(); }
  void TearDown() override { ResetEnvironment(); }

  bool Load(const std::string& text) {
    files_.files["/opt/vaultara/vaultara.ENV"] = text;
    return LoadEnvironment(files_, "/opt/vaultara/vaultara.ENV");
  }
  // The button captions 0, 1, ... up to the first one not set.
  static std::vector<std::string> Buttons() {
    std::vector<std::string> texts;
    while (const std::string* text = FindReplacementText(kButton + int32_t(texts.size()))) {
      texts.push_back(*text);
    }
    return texts;
  }

  InMemoryFiles files_;
};

using Texts = std::vector<std::string>;

TEST_F(EnvironmentFileTest, MissingFileKeepsTheDefaults) {
  EXPECT_FALSE(LoadEnvironment(files_, "/nowhere/vaultara.ENV"));
  EXPECT_EQ(SaveLocale(), SaveLocale(CharacterTables::Plain()));
  EXPECT_EQ(CurrentLocaleTexts().am, "AM");
  EXPECT_TRUE(Load(""));
}

TEST_F(EnvironmentFileTest, ValuesAreDecodedAndSplit) {
  struct Case {
    std::string value;
    Texts items;
  };
  const Case cases[] = {
      {"<65>", {"A"}},
      {"<65)B", {"AB"}},  // the character that ends the digits is dropped
      {"a<<b,<x,<66", {"a<b", "<x", "B"}},
      {"x<44>y,<34>q", {"x,y", "\"q"}},  // coded characters never separate or quote
      {" a , b\t ", {" a ", " b"}},      // blanks belong to the items
      {"a,,b", {"a", "", "b"}},
      {"\"say \"\"hi\"\"\" , \"b,c\" \"\"", {"say \"hi\"", "b,c", ""}},
      {"  \"x\"", {"x"}},
  };
  for (const Case& c : cases) {
    ResetEnvironment();
    Load("OSTBUTTON=" + c.value + "\n");
    EXPECT_EQ(Buttons(), c.items) << c.value;
  }
}

TEST_F(EnvironmentFileTest, MalformedLinesAreSkippedAndTheRestIsRead) {
  Load(
      "OSTAMPM=early,late\r\n"
      "just some words\n"
      "=nameless\n"
      "OSTABCDEFGHIJKLMNOPQRSTUVWXYZ012=32 characters of name\n"
      "OSTBUTTON=<256>\n"
      "OSTBUTTON=\"open\n"
      "OSTBUTTON=\"a\" b\n"
      "OSTMON=Jan,Feb\n"
      "OSTAMPM=one\n"
      "OSTDIGRAPH=\xDFss,ab\n"
      "OSTDIGRAPH=\xDFss,\xC6"
      "AE,\xE6"
      "ae,1ab,2ab,3ab,4ab,5ab,6ab,7ab,8ab,9ab,0ab,+ab,-ab,*ab,/ab\n"
      "OSTCASE=\xC0,\xE0,x\n"
      "OSTMSG12X=not a number\n"
      "OSTUNKNOWN=ignored\n"
      "OSTBUTTON=" +
      std::string(kMaxEnvironmentValue + 1, 'x') +
      "\n"
      "OSTBUTTON=" +
      std::string(20000, 'y') +
      "\n"
      "OST MSG 4101 = Daten, besch\xE4"
      "digt  \t\r\n"
      "ostlfn=off\n"
      "OSTMONTH=Januar,Februar,M\xE4rz,April,Mai,Juni,Juli,August,September,Oktober,November,"
      "Dezemberdezember\n"
      "OSTMON=Januar,Feb,M\xE4r,Apr,Mai,Jun,Jul,Aug,Sep,Okt,Nov,Dez");  // no newline at the end

  const LocaleTexts& texts = CurrentLocaleTexts();
  EXPECT_EQ(texts.am, "early");
  EXPECT_EQ(texts.pm, "late");
  EXPECT_TRUE(Buttons().empty());
  EXPECT_EQ(CurrentCharacterTables().digraphs, CharacterTables::Plain().digraphs);
  EXPECT_EQ(CurrentCharacterTables().case_partner, CharacterTables::Plain().case_partner);
  ASSERT_NE(FindReplacementText(4101), nullptr);
  EXPECT_EQ(*FindReplacementText(4101),
            " Daten, besch\xE4"
            "digt");
  EXPECT_EQ(FindReplacementText(12), nullptr);
  EXPECT_FALSE(CurrentEnvironment().long_file_names);
  EXPECT_EQ(texts.month_names[2], "M\xE4rz");
  EXPECT_EQ(texts.month_names[11], "Dezemberdeze");  // cut to 12 characters
  EXPECT_EQ(texts.short_month_names[0], "Jan");      // cut to 3
  EXPECT_EQ(texts.short_month_names[11], "Dez");
}

TEST_F(EnvironmentFileTest, FileIsReadInBlocksUpToCtrlZ) {
  // A line that straddles the first 2048-byte block, reads cut short by the
  // file, and lines after a Ctrl-Z that must not be read.
  std::string text = "OSTLFN=off\n" + std::string(2030, ' ') + "\nOSTBUTTON=straddling,line\n";
  text += "OSTAMPM=vorm.,nachm.\n\x1aOSTAMPM=after,end\n";
  files_.max_read = 700;
  EXPECT_TRUE(Load(text));
  EXPECT_EQ(Buttons(), (Texts{"straddling", "line"}));
  EXPECT_EQ(CurrentLocaleTexts().am, "vorm.");
  EXPECT_FALSE(CurrentEnvironment().long_file_names);
}

TEST_F(EnvironmentFileTest, CollationSequenceFromTheFile) {
  // Commas are ordinary characters of the list.
  Load("OSTCOLSEQ=zy,x\n");
  const CharacterTables& t = CurrentCharacterTables();
  EXPECT_EQ(t.collation[static_cast<uint8_t>('z')], ',');
  EXPECT_EQ(t.collation[static_cast<uint8_t>(',')], 'y');
  EXPECT_LT(CompareText("z", ","), 0);

  // The full table, with "<" written as "<<" and the high characters as codes.
  std::string list;
  for (int c = 126; c >= 32; --c) list += c == '<' ? std::string("<<") : std::string(1, char(c));
  for (int c = 254; c >= 128; --c) list += "<" + std::to_string(c) + ">";
  ResetEnvironment();
  Load("OSTCOLSEQ=" + list + "\n");
  EXPECT_EQ(t.collation[static_cast<uint8_t>('~')], 32);
  EXPECT_EQ(t.collation[static_cast<uint8_t>('<')], 126 - ('<' - 32));
  EXPECT_EQ(t.collation[static_cast<uint8_t>(' ')], 126);
  EXPECT_EQ(t.collation[200], 254 - (200 - 128));

  // A quoted list keeps its blanks and doubled quotes.
  ResetEnvironment();
  Load("OSTCOLSEQ=\"z \"\"\"\n");
  EXPECT_EQ(t.collation[static_cast<uint8_t>('z')], ' ');
  EXPECT_EQ(t.collation[static_cast<uint8_t>(' ')], '"');
  EXPECT_EQ(t.collation[static_cast<uint8_t>('"')], 'z');
}

TEST_F(EnvironmentFileTest, CaseListsAndWindows) {
  Load("OSTCASE=\xC0\xC1,\xE0\xE1\n");
  EXPECT_EQ(ToUpper("\xE1q"), "\xC1Q");

  CharacterTables system = CharacterTables::Plain();
  system.SetSystemCaseMap();
  for (const char* line :
       {"OSTCASE=WINDOWS\n", "OSTCASE=\xC0\xC1,\xE0\n", "OSTCASE=,\n", "OSTCASE=\xC0\n"}) {
    ResetEnvironment();
    Load(line);
    EXPECT_EQ(CurrentCharacterTables().case_partner, system.case_partner) << line;
  }
}

TEST_F(EnvironmentFileTest, SettingsOfTheRuntime) {
  Load(
      "OSTDIGRAPH=\xDFss\n"
      "OSTAMPM=vorm.,nachm.\n"
      "OSTSYSTEMCHARSET= EASTEUROPE \n"
      "OSTLFN=ON\n"
      "OSTMSG2=Datei fehlt\n");
  EXPECT_EQ(CompareText("\xDF", "ss"), 0);
  EXPECT_EQ(CurrentLocaleTexts().pm, "nachm.");
  EXPECT_EQ(CurrentEnvironment().system_charset, "EASTEUROPE");
  EXPECT_TRUE(CurrentEnvironment().long_file_names);
  ASSERT_NE(FindReplacementText(2), nullptr);
  EXPECT_EQ(*FindReplacementText(2), "Datei fehlt");

  Load("OSTAMPM=windows\nOSTDIGRAPH=\n");
  EXPECT_EQ(CurrentLocaleTexts().am, "AM");
  EXPECT_EQ(CurrentLocaleTexts().pm, "PM");
  EXPECT_NE(CompareText("\xDF", "ss"), 0);
}

TEST_F(EnvironmentFileTest, OemModeConvertsValuesExceptTheCollation) {
  Load(
      "OSTCHARSET=OEM\n"
      "OSTBUTTON=\x81\x94\n"
      "OSTCOLSEQ=\x94\x81\n");
  EXPECT_TRUE(CurrentEnvironment().oem_mode);
  EXPECT_EQ(Buttons(), Texts{platform::OemToWindows1252("\x81\x94")});
  EXPECT_EQ(CurrentCharacterTables().collation[0x94], 0x81);

  // "WINDOWS" collation ends OEM mode for the lines after it.
  Load("OSTCOLSEQ=WINDOWS\nOSTBUTTON=\x81\n");
  EXPECT_FALSE(CurrentEnvironment().oem_mode);
  EXPECT_EQ(Buttons(), Texts{"\x81"});
  CharacterTables system = CharacterTables::Plain();
  system.SetSystemCollation();
  EXPECT_EQ(CurrentCharacterTables().collation, system.collation);

  Load("OSTCHARSET=OEM\nOSTCHARSET=ANSI\n");
  EXPECT_FALSE(CurrentEnvironment().oem_mode);
}

TEST_F(EnvironmentFileTest, ProgramReadsTheFileBesideItself) {
  EXPECT_FALSE(LoadProgramEnvironment(files_));
  std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  files_.files[EnvironmentFileName(program)] = "OSTAMPM=am,pm\n";
  EXPECT_TRUE(LoadProgramEnvironment(files_));
  EXPECT_EQ(CurrentLocaleTexts().am, "am");
}

TEST(EnvironmentFileNameTest, ReplacesTheExtensionOfTheProgram) {
  EXPECT_EQ(EnvironmentFileName("/usr/bin/vaultara"), "/usr/bin/vaultara.ENV");
  EXPECT_EQ(EnvironmentFileName("/opt/v.1/vaultara.exe"), "/opt/v.1/vaultara.ENV");
  EXPECT_EQ(EnvironmentFileName("/opt/v.1/vaultara"), "/opt/v.1/vaultara.ENV");
  EXPECT_EQ(EnvironmentFileName("/opt/.vaultara"), "/opt/.vaultara.ENV");
  EXPECT_EQ(EnvironmentFileName("vaultara.bin"), "vaultara.ENV");
}

}  // namespace
}  // namespace vaultara::data
