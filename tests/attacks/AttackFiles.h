#pragma once

// The hostile and extreme files of tests/attacks/attack_files.py, generated on demand into the
// build folder (the generator renames each file into place, so test programs running at the
// same time may share the folder).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace attacktest {

inline std::filesystem::path AttackFile(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(ZOF_BINARY_DIR) / "attack-files";
  const std::string command = "/usr/bin/python3 '" + std::string(ZOF_SOURCE_DIR) +
                              "/tests/attacks/attack_files.py' '" + folder.string() + "' '" +
                              name + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return folder / name;
}

}  // namespace attacktest
