// Runs the zephyron tool itself, as a user does from a shell.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/platform/scratch_folder.h"

namespace vaultara::app {
namespace {

class ZephyronToolTest : public platform::ScratchFolder {
 protected:
  struct Result {
    int status;
    std::string out;
    std::string err;
  };
  // Runs the tool with arguments (already quoted for the shell), standard
  // input from the text given, and no terminal to ask a password on.
  Result Zephyron(const std::string& arguments, const std::string& input = "",
                  const std::string& environment = "") {
    std::ofstream(PathOf("stdin")) << input;
    const std::string command = "cd '" + PathOf("") + "' && " + environment + " setsid '" +
                                ZEPHYRON_PATH + "' " + arguments + " <stdin >stdout 2>stderr";
    const int raw = std::system(command.c_str());
    return Result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read("stdout"), Read("stderr")};
  }
  std::string Read(const std::string& name) {
    std::ifstream in(PathOf(name));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(ZephyronToolTest, CreatesImportsDumpsAndChecksAFile) {
  std::ofstream(PathOf("decl.json"))
      << "{\"fields\": [{\"name\": \"N:ID\", \"type\": \"LONG\"},"
         " {\"name\": \"N:TEXT\", \"type\": \"STRING\", \"length\": 30}],"
         " \"memos\": [{\"name\": \"N:MEMO\", \"size\": 100, \"binary\": false}],"
         " \"keys\": [{\"name\": \"N:K_ID\", \"components\": [\"+N:ID\"], \"primary\": true}],"
         " \"owner\": true}";
  EXPECT_EQ(Zephyron("--owner pw create 'notes.zph\\!notes' decl.json").status, 0);
  const std::string lines =
      "{\"N:ID\": 2, \"N:TEXT\": \"caf\xC3\xA9\", \"N:MEMO\": \"m\"}\n"
      "{\"N:ID\": 1, \"N:TEXT\": \"first\", \"N:MEMO\": \"\"}\n";
  EXPECT_EQ(Zephyron("import 'notes.zph\\!notes'", lines, "ZEPHYRON_OWNER=pw").status, 0);
  const Result dumped = Zephyron("--owner pw dump 'notes.zph\\!notes' --key N:K_ID");
  EXPECT_EQ(dumped.status, 0) << dumped.err;
  EXPECT_EQ(dumped.out,
            "{\"N:ID\": 1, \"N:TEXT\": \"first\", \"N:MEMO\": \"\"}\n"
            "{\"N:ID\": 2, \"N:TEXT\": \"caf\xC3\xA9\", \"N:MEMO\": \"m\"}\n");
  EXPECT_EQ(Zephyron("--owner pw tables notes.zph").out, "NOTES\n");
  EXPECT_EQ(Zephyron("--owner pw check notes.zph").out, "ok\n");
  EXPECT_NE(Zephyron("--owner pw info notes.zph").out.find("enciphered: yes"), std::string::npos);

  const Result wrong = Zephyron("--owner nope dump 'notes.zph\\!notes'");
  EXPECT_NE(wrong.status, 0);
  EXPECT_EQ(wrong.err,
            "zephyron: notes.zph\\!notes: wrong owner password (error 36: Invalid Data File)\n");
  const Result none = Zephyron("tables notes.zph");
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.err.find("is enciphered"), std::string::npos) << none.err;

  const Result bad = Zephyron("--owner pw import 'notes.zph\\!notes'", "{\"N:ID\": 1}\nnot json\n");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err,
            "zephyron: line 1: error 40: Creates Duplicate Key\n"
            "zephyron: line 2: bad JSON: unexpected character at column 1\n");
  EXPECT_EQ(Zephyron("--help").status, 0);
  EXPECT_NE(Zephyron("").status, 0);
}

TEST_F(ZephyronToolTest, CheckFindsADamagedPage) {
  std::ofstream(PathOf("decl.json"))
      << "{\"fields\": [{\"name\": \"N:ID\", \"type\": \"LONG\"},"
         " {\"name\": \"N:TEXT\", \"type\": \"STRING\", \"length\": 200}],"
         " \"keys\": [{\"name\": \"N:K_TEXT\", \"components\": [\"N:TEXT\"], \"dup\": true}]}";
  ASSERT_EQ(Zephyron("create 'plain.zph\\!t' decl.json").status, 0);
  std::string lines;
  for (int i = 0; i < 100; ++i) {
    lines += "{\"N:ID\": " + std::to_string(i) + ", \"N:TEXT\": \"row " + std::to_string(i * 7) +
             "\"}\n";
  }
  ASSERT_EQ(Zephyron("import 'plain.zph\\!t'", lines).status, 0);
  ASSERT_EQ(Zephyron("check plain.zph").out, "ok\n");
  {
    std::fstream file(PathOf("plain.zph"), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(512 + 300);
    file << std::string(100, '\x5a');
  }
  const Result damaged = Zephyron("check plain.zph");
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("damaged"), std::string::npos) << damaged.out;
}

}  // namespace
}  // namespace vaultara::app
