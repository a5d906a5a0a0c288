// Runs the real vuruzid-dictbuild program on files in a temporary folder and
// reads what it wrote back with the engine's own library reader.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"

namespace vuruzid {
namespace {

namespace fs = std::filesystem;

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or("<not in the code page>"); }

class DictBuildProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vuruzid-dictbuild-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path Write(const std::string& name, const std::string& content) {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  static std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // Runs a program with the arguments and returns its exit status. What it prints
  // is kept in output_, or its standard output goes to `standardOutput` when given.
  int Run(const std::string& program, const std::vector<std::string>& arguments,
          const fs::path& standardOutput = {}) {
    const fs::path log = folder_ / "program-output.txt";
    const pid_t child = fork();
    if (child == 0) {
      const bool redirected = standardOutput.empty()
                                  ? freopen(log.c_str(), "w", stdout) && dup2(STDOUT_FILENO, STDERR_FILENO) >= 0
                                  : freopen(standardOutput.c_str(), "w", stdout) && freopen(log.c_str(), "w", stderr);
      if (!redirected) _exit(126);
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    output_ = ReadAll(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int RunDictBuild(const std::vector<std::string>& arguments) { return Run(VURUZID_DICTBUILD_PROGRAM, arguments); }

  static std::vector<std::string> StringsOf(const LanguageLibrary& library) {
    std::vector<std::string> strings;
    for (uint32_t id = 0; id < library.StringCount(); ++id) strings.emplace_back(library.LoadString(id));
    return strings;
  }

  fs::path folder_;
  std::string output_;
};

TEST_F(DictBuildProgramTest, WritesALibraryFromAUtf8WordList) {
  const auto list = Write("words.txt", "zebra\r\ncat\r\nCat\r\ndoesn't\r\nкошкой\r\nшёл\r\ncafé\r\n1st\r\n\r\n-\n");
  const fs::path library = folder_ / "english.dll";
  ASSERT_EQ(RunDictBuild({list.string(), library.string()}), 0) << output_;
  const auto opened = LanguageLibrary::Open(library);
  ASSERT_NE(opened, nullptr);
  const std::vector<std::string> expected = {"6", "-", "CAT", "DOESN`T", "ZEBRA", Cp("КОШКОЙ"), Cp("ШЕЛ")};
  EXPECT_EQ(StringsOf(*opened), expected);
  EXPECT_NE(output_.find("6 words from 10 lines"), std::string::npos) << output_;
}

TEST_F(DictBuildProgramTest, ReadsAWindows1251WordListWhenTold) {
  const auto list = Write("words.txt", Cp("хорошего\nёлка\nдом\n"));
  const fs::path library = folder_ / "russian.dll";
  ASSERT_EQ(RunDictBuild({"--encoding", "cp1251", list.string(), library.string()}), 0) << output_;
  const auto opened = LanguageLibrary::Open(library);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(StringsOf(*opened), (std::vector<std::string>{"3", Cp("ДОМ"), Cp("ЕЛКА"), Cp("ХОРОШЕГО")}));

  // The same bytes read as UTF-8 are malformed: every word is dropped, nothing written.
  const fs::path wrong = folder_ / "wrong.dll";
  EXPECT_EQ(RunDictBuild({"--encoding=utf-8", list.string(), wrong.string()}), 1);
  EXPECT_FALSE(fs::exists(wrong));
}

TEST_F(DictBuildProgramTest, ReportsFailuresAndLeavesTheOldLibraryAlone) {
  const fs::path library = Write("english.dll", "old library");
  const auto empty = Write("empty.txt", "\n\n1st\n");

  EXPECT_EQ(RunDictBuild({(folder_ / "missing.txt").string(), library.string()}), 1);
  EXPECT_NE(output_.find("cannot read"), std::string::npos) << output_;

  EXPECT_EQ(RunDictBuild({empty.string(), library.string()}), 1);
  EXPECT_NE(output_.find("no words"), std::string::npos) << output_;

  EXPECT_EQ(RunDictBuild({"--encoding", "koi8-r", empty.string(), library.string()}), 2);
  EXPECT_NE(output_.find("unknown encoding"), std::string::npos) << output_;

  EXPECT_EQ(RunDictBuild({empty.string()}), 2);
  EXPECT_NE(output_.find("usage"), std::string::npos) << output_;
  EXPECT_EQ(RunDictBuild({"--help"}), 0) << "asked for, the usage is no error";
  EXPECT_NE(output_.find("usage"), std::string::npos) << output_;
  EXPECT_EQ(RunDictBuild({"--version"}), 0);
  EXPECT_NE(output_.find("(QOR Vuruzid) 1."), std::string::npos) << output_;

  EXPECT_EQ(ReadAll(library), "old library");

  const auto words = Write("words.txt", "word\n");
  EXPECT_EQ(RunDictBuild({words.string(), (folder_ / "no-such-folder" / "english.dll").string()}), 1);
  EXPECT_NE(output_.find("cannot write"), std::string::npos) << output_;

  const auto affix = Write("bad.aff", "SET ISO8859-1\n");
  const auto affixOut = folder_ / "out.aff";
  EXPECT_EQ(RunDictBuild({"--recode-to-cp1251", affix.string(), words.string(), affixOut.string(),
                          (folder_ / "out.dic").string()}),
            1);
  EXPECT_NE(output_.find("ISO8859-1"), std::string::npos) << output_;
  EXPECT_FALSE(fs::exists(affixOut));
}

#ifdef VURUZID_UNMUNCH
// The whole road of the Russian dictionary on a small sample: recode, expand
// with the real expander, build, read back.
TEST_F(DictBuildProgramTest, ExpandsARecodedRussianSampleIntoAllItsForms) {
  const auto affix = Write("ru.aff",
                           "SET UTF-8\n"
                           "SFX A Y 3\n"
                           "SFX A а ой а\n"
                           "SFX A а у а\n"
                           "SFX A а е а\n"
                           "SFX B Y 2\n"
                           "SFX B ий его ий\n"
                           "SFX B ий ая ий\n");
  const auto dictionary = Write("ru.dic", "3\nкошка/A\nхороший/B\nшёл\n");
  const fs::path recodedAffix = folder_ / "cp.aff", recodedDictionary = folder_ / "cp.dic";
  ASSERT_EQ(RunDictBuild({"--recode-to-cp1251", affix.string(), dictionary.string(), recodedAffix.string(),
                          recodedDictionary.string()}),
            0)
      << output_;
  const fs::path forms = folder_ / "forms.txt";
  ASSERT_EQ(Run(VURUZID_UNMUNCH, {recodedDictionary.string(), recodedAffix.string()}, forms), 0) << output_;
  const fs::path library = folder_ / "russian.dll";
  ASSERT_EQ(RunDictBuild({"--encoding", "cp1251", forms.string(), library.string()}), 0) << output_;
  const auto opened = LanguageLibrary::Open(library);
  ASSERT_NE(opened, nullptr);
  const std::vector<std::string> expected = {"8",          Cp("КОШКА"),   Cp("КОШКЕ"),   Cp("КОШКОЙ"),
                                             Cp("КОШКУ"),  Cp("ХОРОШАЯ"), Cp("ХОРОШЕГО"), Cp("ХОРОШИЙ"),
                                             Cp("ШЕЛ")};
  EXPECT_EQ(StringsOf(*opened), expected);
}
#endif

}  // namespace
}  // namespace vuruzid
