#include "platform/FileAssociation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A fresh XDG_DATA_HOME and XDG_CONFIG_HOME below the system's temporary folder.
class FileAssociation : public ::testing::Test {
protected:
  void SetUp() override {
    std::random_device random;
    root_ = fs::temp_directory_path() / ("zofmirel-assoc-" + std::to_string(random()));
    fs::create_directories(root_);
    data_ = root_ / "data";
    config_ = root_ / "config";
  }
  void TearDown() override { fs::remove_all(root_); }

  TFreedesktopAssociation Make() {
    return TFreedesktopAssociation(data_, config_, [this](const std::vector<std::string>& argv) {
      tools_.push_back(argv);
      return toolStatus_;
    });
  }

  fs::path root_, data_, config_;
  std::vector<std::vector<std::string>> tools_;
  int toolStatus_ = 0;
};

TEST_F(FileAssociation, WritesMimeTypeDesktopEntryAndDefault) {
  Make().Register("mls", "/opt/zof/zofmirel");

  const std::string mime = ReadText(data_ / "mime/packages/zofmirel-mls.xml");
  EXPECT_NE(mime.find("<mime-type type=\"application/x-zofmirel-mls\">"), std::string::npos);
  EXPECT_NE(mime.find("<glob pattern=\"*.mls\"/>"), std::string::npos);
  EXPECT_NE(mime.find("xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\""),
            std::string::npos);

  const std::string desktop = ReadText(data_ / "applications/zofmirel-mls.desktop");
  EXPECT_EQ(desktop.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(desktop.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(desktop.find("\nExec=\"/opt/zof/zofmirel\" %f\n"), std::string::npos);
  EXPECT_NE(desktop.find("\nMimeType=application/x-zofmirel-mls;\n"), std::string::npos);

  EXPECT_EQ(ReadText(config_ / "mimeapps.list"),
            "[Default Applications]\n"
            "application/x-zofmirel-mls=zofmirel-mls.desktop;\n"
            "\n"
            "[Added Associations]\n"
            "application/x-zofmirel-mls=zofmirel-mls.desktop;\n");
  EXPECT_FALSE(fs::exists(data_ / "applications/mimeapps.list"));
}

TEST_F(FileAssociation, RefreshesBothCachesOfTheDataFolder) {
  Make().Register("mls", "/opt/zof/zofmirel");
  const std::vector<std::vector<std::string>> expected = {
      {"update-mime-database", (data_ / "mime").string()},
      {"update-desktop-database", (data_ / "applications").string()}};
  EXPECT_EQ(tools_, expected);
}

TEST_F(FileAssociation, MissingToolsAreNoError) {
  toolStatus_ = -1;
  EXPECT_NO_THROW(Make().Register("mls", "/opt/zof/zofmirel"));
  EXPECT_TRUE(fs::exists(data_ / "applications/zofmirel-mls.desktop"));
}

TEST_F(FileAssociation, FailingToolIsReported) {
  toolStatus_ = 1;
  try {
    Make().Register("mls", "/opt/zof/zofmirel");
    FAIL() << "no error raised";
  } catch (const EFileAssociationError& e) {
    EXPECT_STREQ(e.what(),
                 "Povezivanje datoteka je upisano, ali program update-mime-database nije uspeo.");
  }
}

TEST_F(FileAssociation, RegisteringTwiceGivesTheSameFiles) {
  auto association = Make();
  association.Register("mls", "/opt/zof/zofmirel");
  const std::string mime = ReadText(data_ / "mime/packages/zofmirel-mls.xml");
  const std::string desktop = ReadText(data_ / "applications/zofmirel-mls.desktop");
  const std::string apps = ReadText(config_ / "mimeapps.list");
  association.Register("mls", "/opt/zof/zofmirel");
  EXPECT_EQ(ReadText(data_ / "mime/packages/zofmirel-mls.xml"), mime);
  EXPECT_EQ(ReadText(data_ / "applications/zofmirel-mls.desktop"), desktop);
  EXPECT_EQ(ReadText(config_ / "mimeapps.list"), apps);
  // Nothing is left beside the targets.
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root_))
    if (entry.is_regular_file()) ++files;
  EXPECT_EQ(files, 3u);
}

TEST_F(FileAssociation, KeepsTheUsersOtherAssociations) {
  WriteText(config_ / "mimeapps.list",
            "[Added Associations]\n"
            "application/x-zofmirel-mls=other.desktop;\n"
            "text/plain=gedit.desktop;\n"
            "\n"
            "[Default Applications]\n"
            "text/html=firefox.desktop\n"
            "application/x-zofmirel-mls=other.desktop\n"
            "\n"
            "[Removed Associations]\n"
            "image/png=gimp.desktop;\n");
  Make().Register("mls", "/opt/zof/zofmirel");
  Make().Register("mls", "/opt/zof/zofmirel");
  EXPECT_EQ(ReadText(config_ / "mimeapps.list"),
            "[Added Associations]\n"
            "application/x-zofmirel-mls=zofmirel-mls.desktop;other.desktop;\n"
            "text/plain=gedit.desktop;\n"
            "\n"
            "[Default Applications]\n"
            "text/html=firefox.desktop\n"
            "application/x-zofmirel-mls=zofmirel-mls.desktop;\n"
            "\n"
            "[Removed Associations]\n"
            "image/png=gimp.desktop;\n");
}

TEST_F(FileAssociation, UnwritableDataFolderGivesAClearMessage) {
  WriteText(data_, "a file where the folder should be");
  try {
    Make().Register("mls", "/opt/zof/zofmirel");
    FAIL() << "no error raised";
  } catch (const EFileAssociationError& e) {
    EXPECT_EQ(std::string(e.what()), "Povezivanje datoteka nije upisano: nije moguće pisati u " +
                                         (data_ / "mime/packages").string() + ".");
  }
  EXPECT_TRUE(tools_.empty());
  EXPECT_FALSE(fs::exists(config_ / "mimeapps.list"));
}

TEST_F(FileAssociation, UnwritableConfigFolderGivesAClearMessage) {
  WriteText(config_, "a file where the folder should be");
  try {
    Make().Register("mls", "/opt/zof/zofmirel");
    FAIL() << "no error raised";
  } catch (const EFileAssociationError& e) {
    EXPECT_EQ(std::string(e.what()), "Povezivanje datoteka nije upisano: nije moguće pisati u " +
                                         config_.string() + ".");
  }
}

struct ExecCase {
  const char* programPath;
  const char* execLine;
};

class DesktopExecLine : public ::testing::TestWithParam<ExecCase> {};

TEST_P(DesktopExecLine, QuotesTheProgramPath) {
  EXPECT_EQ(TFreedesktopAssociation::DesktopExecLine(GetParam().programPath),
            GetParam().execLine);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopExecLine,
    ::testing::Values(ExecCase{"/usr/bin/zofmirel", R"("/usr/bin/zofmirel" %f)"},
                      ExecCase{"/home/ana/Zof Mirel/zofmirel", R"("/home/ana/Zof Mirel/zofmirel" %f)"},
                      ExecCase{"/opt/100%/zofmirel", R"("/opt/100%%/zofmirel" %f)"},
                      ExecCase{"/opt/$HOME/z", R"("/opt/\\$HOME/z" %f)"},
                      ExecCase{"/opt/a\"b/z", R"("/opt/a\\"b/z" %f)"},
                      ExecCase{"/opt/a`b/z", R"("/opt/a\\`b/z" %f)"},
                      ExecCase{"/opt/a\\b/z", R"("/opt/a\\\\b/z" %f)"}));

TEST(FileAssociationEnvironment, FoldersComeFromXdgVariablesOrHome) {
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedData = oldData ? oldData : "";
  const std::string savedConfig = oldConfig ? oldConfig : "";
  const std::string savedHome = oldHome ? oldHome : "";

  setenv("XDG_DATA_HOME", "/x/data", 1);
  setenv("XDG_CONFIG_HOME", "/x/config", 1);
  auto a = TFreedesktopAssociation::FromEnvironment();
  EXPECT_EQ(a.DesktopEntryPath("mls"), fs::path("/x/data/applications/zofmirel-mls.desktop"));
  EXPECT_EQ(a.MimeAppsPath(), fs::path("/x/config/mimeapps.list"));

  setenv("XDG_DATA_HOME", "relative/ignored", 1);
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/ana", 1);
  auto b = TFreedesktopAssociation::FromEnvironment();
  EXPECT_EQ(b.MimePackagePath("mls"),
            fs::path("/home/ana/.local/share/mime/packages/zofmirel-mls.xml"));
  EXPECT_EQ(b.MimeAppsPath(), fs::path("/home/ana/.config/mimeapps.list"));

  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  EXPECT_THROW(TFreedesktopAssociation::FromEnvironment(), EFileAssociationError);

  auto restore = [](const char* name, const char* old, const std::string& saved) {
    if (old)
      setenv(name, saved.c_str(), 1);
    else
      unsetenv(name);
  };
  restore("XDG_DATA_HOME", oldData, savedData);
  restore("XDG_CONFIG_HOME", oldConfig, savedConfig);
  restore("HOME", oldHome, savedHome);
}

// With the real tools: the MIME database built in the data folder knows the new glob.
TEST_F(FileAssociation, RealMimeDatabaseLearnsTheExtension) {
  if (TFreedesktopAssociation::RunInstalledTool({"update-mime-database", "--version"}) < 0)
    GTEST_SKIP() << "update-mime-database is not installed";
  TFreedesktopAssociation(data_, config_).Register("mls", "/opt/zof/zofmirel");
  EXPECT_NE(ReadText(data_ / "mime/globs2").find("application/x-zofmirel-mls:*.mls"),
            std::string::npos);
}

}  // namespace
