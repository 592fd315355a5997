#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// Makes the desktop open files of one extension with this program ("Direktno otvaranje MS
// Excel datoteka").
class IFileAssociation {
public:
  virtual ~IFileAssociation() = default;
  // Registers `programPath` as the program that opens files ending in "." + `extension`.
  // Raises EFileAssociationError with a message for the user when it cannot be written.
  virtual void Register(const std::string& extension, const std::string& programPath) = 0;
};

class EFileAssociationError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The freedesktop.org form of a file association, for the current user only:
//   <data>/mime/packages/zofmirel-<ext>.xml   a MIME type application/x-zofmirel-<ext> for *.<ext>
//   <data>/applications/zofmirel-<ext>.desktop  Exec="<program>" %f for that MIME type
//   <config>/mimeapps.list                     the entry as the type's default application
// where <data> is $XDG_DATA_HOME (~/.local/share) and <config> $XDG_CONFIG_HOME (~/.config).
// The default goes to <config>/mimeapps.list because that is where the current specification
// and xdg-mime put it; <data>/applications/mimeapps.list is only read for compatibility.
// Afterwards update-mime-database and update-desktop-database refresh the caches of <data>,
// each only when it is installed. Every file is written beside its target and renamed into
// place, so registering twice gives the same files and an interrupted write leaves the old
// ones; other entries of mimeapps.list are kept.
class TFreedesktopAssociation : public IFileAssociation {
public:
  // Runs a program with arguments and returns its exit status; -1 when it is not installed.
  using TToolRunner = std::function<int(const std::vector<std::string>& argv)>;

  TFreedesktopAssociation(std::filesystem::path dataHome, std::filesystem::path configHome,
                          TToolRunner runTool = RunInstalledTool);
  // The folders from XDG_DATA_HOME, XDG_CONFIG_HOME and HOME; raises EFileAssociationError
  // when none of them gives an absolute path.
  static TFreedesktopAssociation FromEnvironment();

  void Register(const std::string& extension, const std::string& programPath) override;

  static std::string MimeType(const std::string& extension);
  static std::string DesktopFileId(const std::string& extension);
  std::filesystem::path MimePackagePath(const std::string& extension) const;
  std::filesystem::path DesktopEntryPath(const std::string& extension) const;
  std::filesystem::path MimeAppsPath() const;

  // The program path quoted for the Exec key of a desktop entry, followed by " %f".
  static std::string DesktopExecLine(const std::string& programPath);
  // `current` (the contents of a mimeapps.list, possibly empty) with `desktopId` as the
  // default and first added application of `mimeType`; every other line is kept.
  static std::string MergeMimeApps(const std::string& current, const std::string& mimeType,
                                   const std::string& desktopId);

  // Looks the program up in PATH and runs it with its output discarded.
  static int RunInstalledTool(const std::vector<std::string>& argv);

private:
  std::filesystem::path dataHome_;
  std::filesystem::path configHome_;
  TToolRunner runTool_;
};

// "Povezivanje ... nije uspelo ..." with the path that could not be written.
std::string FileAssociationWriteError(const std::filesystem::path& path);
