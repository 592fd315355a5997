#pragma once

// Hostile workbooks made by tests/xls/make_hostile.py: small files that cost a naive reader far
// more time or memory than their size (see the script for the kinds).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace hostiletest {

// The file of `kind` for `count`, made in the temporary folder and removed with the object. The
// path is empty (and the test failed) when the file cannot be made.
class THostileFile {
public:
  THostileFile(const std::string& kind, int count) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("zofmirel-hostile-" + std::to_string(getpid()) + "-" + kind + "-" + std::to_string(count) +
         ".xls");
    const std::string command = std::string("/usr/bin/python3 '") + ZOF_SOURCE_DIR +
                                "/tests/xls/make_hostile.py' " + kind + " " +
                                std::to_string(count) + " '" + file.string() + "'";
    if (std::system(command.c_str()) == 0)
      path_ = file;
    else
      ADD_FAILURE() << "cannot make the hostile file: " << command;
  }
  ~THostileFile() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove(path_, ignored);
  }
  THostileFile(const THostileFile&) = delete;
  THostileFile& operator=(const THostileFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }

private:
  std::filesystem::path path_;
};

}  // namespace hostiletest
