#include "platform/FileAssociation.h"

#include <cassert>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kToolFailed = "Povezivanje datoteka je upisano, ali program %s nije uspeo.";
constexpr const char* kNoHome =
    "Povezivanje datoteka nije upisano: nije poznata lična fascikla (HOME).";

[[maybe_unused]] bool ValidExtension(const std::string& extension) {
  if (extension.empty()) return false;
  for (char c : extension) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-' || c == '+';
    if (!ok) return false;
  }
  return true;
}

// The contents of a file that may be missing; one that exists but cannot be read is an error,
// because writing it anew would lose what the user had in it.
std::string ReadExistingFile(const fs::path& path) {
  std::error_code error;
  if (!fs::exists(path, error)) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFileAssociationError(FileAssociationWriteError(path));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes beside the target and renames into place, so a failed write leaves the old file.
void WriteFileAtomically(const fs::path& path, const std::string& contents) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) throw EFileAssociationError(FileAssociationWriteError(path.parent_path()));
  fs::path temporary = path;
  temporary += ".zofmirel-tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << contents;
    out.flush();
    if (!out) {
      out.close();
      fs::remove(temporary, error);
      throw EFileAssociationError(FileAssociationWriteError(path));
    }
  }
  fs::rename(temporary, path, error);
  if (error) {
    fs::remove(temporary, error);
    throw EFileAssociationError(FileAssociationWriteError(path));
  }
}

std::string ShellQuote(const std::string& argument) {
  std::string quoted = "'";
  for (char c : argument) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

bool IsExecutableFile(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::is_regular_file(status)) return false;
  const auto exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  return (status.permissions() & exec) != fs::perms::none;
}

fs::path FindInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const fs::path candidate = fs::path(folder) / program;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

std::string Format(const char* pattern, const std::string& value) {
  std::string text = pattern;
  const auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Sets `key`'s value in `section` of a desktop-style key file, adding the section or the key
// when missing. `makeValue` gets the old value ("" when there was none).
std::string SetKeyInSection(const std::string& text, const std::string& section,
                            const std::string& key,
                            const std::function<std::string(const std::string&)>& makeValue) {
  std::vector<std::string> lines;
  {
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
  }
  const std::string header = "[" + section + "]";
  size_t sectionStart = lines.size();
  for (size_t i = 0; i < lines.size(); ++i)
    if (Trim(lines[i]) == header) {
      sectionStart = i;
      break;
    }
  if (sectionStart == lines.size()) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back(header);
    lines.push_back(key + "=" + makeValue(""));
  } else {
    size_t end = sectionStart + 1;
    while (end < lines.size() && !(Trim(lines[end]).size() > 0 && Trim(lines[end])[0] == '['))
      ++end;
    bool found = false;
    for (size_t i = sectionStart + 1; i < end; ++i) {
      const auto equals = lines[i].find('=');
      if (equals == std::string::npos || Trim(lines[i].substr(0, equals)) != key) continue;
      lines[i] = key + "=" + makeValue(Trim(lines[i].substr(equals + 1)));
      found = true;
      break;
    }
    if (!found) {
      // After the section's last non-blank line.
      size_t at = end;
      while (at > sectionStart + 1 && Trim(lines[at - 1]).empty()) --at;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + makeValue(""));
    }
  }
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

}  // namespace

std::string FileAssociationWriteError(const fs::path& path) {
  return "Povezivanje datoteka nije upisano: nije moguće pisati u " + path.string() + ".";
}

TFreedesktopAssociation::TFreedesktopAssociation(fs::path dataHome, fs::path configHome,
                                                 TToolRunner runTool)
    : dataHome_(std::move(dataHome)),
      configHome_(std::move(configHome)),
      runTool_(std::move(runTool)) {}

TFreedesktopAssociation TFreedesktopAssociation::FromEnvironment() {
  // Relative values are invalid by the base-directory specification and are ignored.
  auto folder = [](const char* variable, const char* underHome) -> fs::path {
    const char* value = std::getenv(variable);
    if (value && fs::path(value).is_absolute()) return value;
    const char* home = std::getenv("HOME");
    if (!home || !fs::path(home).is_absolute()) throw EFileAssociationError(kNoHome);
    return fs::path(home) / underHome;
  };
  return TFreedesktopAssociation(folder("XDG_DATA_HOME", ".local/share"),
                                 folder("XDG_CONFIG_HOME", ".config"));
}

std::string TFreedesktopAssociation::MimeType(const std::string& extension) {
  return "application/x-zofmirel-" + extension;
}

std::string TFreedesktopAssociation::DesktopFileId(const std::string& extension) {
  return "zofmirel-" + extension + ".desktop";
}

fs::path TFreedesktopAssociation::MimePackagePath(const std::string& extension) const {
  return dataHome_ / "mime" / "packages" / ("zofmirel-" + extension + ".xml");
}

fs::path TFreedesktopAssociation::DesktopEntryPath(const std::string& extension) const {
  return dataHome_ / "applications" / DesktopFileId(extension);
}

fs::path TFreedesktopAssociation::MimeAppsPath() const { return configHome_ / "mimeapps.list"; }

std::string TFreedesktopAssociation::DesktopExecLine(const std::string& programPath) {
  // The Exec rules: the argument in double quotes with " ` $ \ escaped by a backslash, "%"
  // doubled; then the string-value rule doubles every backslash once more.
  std::string quoted = "\"";
  for (char c : programPath) {
    switch (c) {
      case '"': quoted += "\\\\\""; break;
      case '`': quoted += "\\\\`"; break;
      case '$': quoted += "\\\\$"; break;
      case '\\': quoted += "\\\\\\\\"; break;
      case '%': quoted += "%%"; break;
      default: quoted += c; break;
    }
  }
  return quoted + "\" %f";
}

std::string TFreedesktopAssociation::MergeMimeApps(const std::string& current,
                                                   const std::string& mimeType,
                                                   const std::string& desktopId) {
  std::string text = SetKeyInSection(current, "Default Applications", mimeType,
                                     [&](const std::string&) { return desktopId + ";"; });
  return SetKeyInSection(text, "Added Associations", mimeType, [&](const std::string& old) {
    std::string value = desktopId + ";";
    std::stringstream entries(old);
    std::string entry;
    while (std::getline(entries, entry, ';'))
      if (!entry.empty() && entry != desktopId) value += entry + ";";
    return value;
  });
}

int TFreedesktopAssociation::RunInstalledTool(const std::vector<std::string>& argv) {
  assert(!argv.empty());
  const fs::path program = FindInPath(argv.front());
  if (program.empty()) return -1;
  std::string command = ShellQuote(program.string());
  for (size_t i = 1; i < argv.size(); ++i) command += " " + ShellQuote(argv[i]);
  command += " >/dev/null 2>&1";
  return std::system(command.c_str());
}

void TFreedesktopAssociation::Register(const std::string& extension,
                                       const std::string& programPath) {
  assert(ValidExtension(extension));
  if (programPath.find_first_of("\n\r") != std::string::npos)
    throw EFileAssociationError(FileAssociationWriteError(DesktopEntryPath(extension)));
  const std::string mimeType = MimeType(extension);

  WriteFileAtomically(
      MimePackagePath(extension),
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"" + mimeType + "\">\n"
      "    <comment>MS Excel datoteka (." + extension + ")</comment>\n"
      "    <sub-class-of type=\"application/vnd.ms-excel\"/>\n"
      "    <generic-icon name=\"x-office-spreadsheet\"/>\n"
      "    <glob pattern=\"*." + extension + "\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n");

  WriteFileAtomically(DesktopEntryPath(extension),
                      "[Desktop Entry]\n"
                      "Type=Application\n"
                      "Name=Zof Mirel\n"
                      "Comment=Program za tabelarno izračunavanje\n"
                      "Exec=" + DesktopExecLine(programPath) + "\n"
                      "Icon=x-office-spreadsheet\n"
                      "MimeType=" + mimeType + ";\n"
                      "Terminal=false\n"
                      "NoDisplay=true\n");

  const fs::path mimeApps = MimeAppsPath();
  WriteFileAtomically(mimeApps,
                      MergeMimeApps(ReadExistingFile(mimeApps), mimeType, DesktopFileId(extension)));

  // The caches make the new type and entry known to running desktops; a missing tool only
  // delays that until the desktop rebuilds them itself.
  const std::pair<const char*, fs::path> tools[] = {
      {"update-mime-database", dataHome_ / "mime"},
      {"update-desktop-database", dataHome_ / "applications"},
  };
  for (const auto& [tool, folder] : tools) {
    const int status = runTool_({tool, folder.string()});
    if (status > 0) throw EFileAssociationError(Format(kToolFailed, tool));
  }
}
