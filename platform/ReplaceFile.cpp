#include "platform/ReplaceFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporaryPrefix = ".zofmirel-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr size_t kTemporaryDigits = 8;
// Symbolic links followed before the chain counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;

[[noreturn]] void Fail(std::string_view what, const std::string& fileName,
                       const std::string& reason) {
  throw EFileError(std::string(what) + " \"" + fileName + "\". " + reason);
}

[[noreturn]] void FailCreate(const std::string& fileName, const std::string& reason) {
  Fail("Cannot create file", fileName, reason);
}

[[noreturn]] void FailWrite(const std::string& fileName, int error) {
  Fail("Cannot write file", fileName, std::strerror(error));
}

// An open file descriptor, closed with its owner.
class TDescriptor {
public:
  explicit TDescriptor(int fd = -1) : fd_(fd) {}
  ~TDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TDescriptor(TDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  TDescriptor& operator=(TDescriptor&&) = delete;
  int Get() const { return fd_; }
  // Closes it now: the errno of a failed close (where some file systems report a full disk),
  // or 0.
  int Close() {
    const int fd = std::exchange(fd_, -1);
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
  }

private:
  int fd_;
};

// Why a file that exists cannot be replaced, or empty for a regular file.
std::string NotRegularReason(const fs::file_status& status) {
  switch (status.type()) {
    case fs::file_type::regular:
    case fs::file_type::not_found:
      return {};
    case fs::file_type::directory:
      return "It is a folder, not a regular file";
    case fs::file_type::fifo:
      return "It is a pipe, not a regular file";
    case fs::file_type::socket:
      return "It is a socket, not a regular file";
    case fs::file_type::character:
    case fs::file_type::block:
      return "It is a device, not a regular file";
    default:
      return "It is not a regular file";
  }
}

// The path a save writes: the target, or the path a chain of symbolic links ends at (which
// need not exist yet).
fs::path Resolve(const std::string& fileName) {
  fs::path path(fileName);
  for (int links = 0;; ++links) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    if (links == kMaxLinks) FailCreate(fileName, std::strerror(ELOOP));
    const fs::path next = fs::read_symlink(path, error);
    if (error) FailCreate(fileName, error.message());
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
}

void RequireReplaceable(const std::string& fileName, const fs::path& path) {
  std::error_code error;
  const std::string reason = NotRegularReason(fs::symlink_status(path, error));
  if (!reason.empty()) FailCreate(fileName, reason);
}

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Removes the temporary files of this pattern in `folder` that no save is writing any more:
// no process holds the lock a save keeps on its file, and the file has not been written for a
// while (which also covers the moment between a save making its file and locking it).
void RemoveStaleTemporaries(const fs::path& folder) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return;
  const auto now = fs::file_time_type::clock::now();
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) return;
    const fs::path& path = it->path();
    if (!IsTemporaryFileName(path.filename().string())) continue;
    std::error_code ignored;
    if (!fs::is_regular_file(fs::symlink_status(path, ignored))) continue;
    const auto written = fs::last_write_time(path, ignored);
    if (ignored || now - written < std::chrono::seconds(kStaleSeconds)) continue;
    const TDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.Get() < 0 || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) continue;
    ::unlink(path.c_str());
  }
}

// Makes a new temporary file in `folder`, opened for writing and locked.
TDescriptor CreateTemporary(const std::string& fileName, const fs::path& folder, fs::path& path) {
  std::random_device seed;
  std::mt19937 random(seed());
  for (;;) {
    char digits[kTemporaryDigits + 1];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(random()));
    path = folder / (std::string(kTemporaryPrefix) + digits + std::string(kTemporarySuffix));
    TDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.Get() >= 0) {
      // Where the file system has no locks, the age of the file alone protects it.
      ::flock(fd.Get(), LOCK_EX | LOCK_NB);
      return fd;
    }
    if (errno != EEXIST) FailCreate(fileName, std::strerror(errno));
  }
}

// The replaced file's owner and permissions go to its successor, as far as this process may
// give them.
void KeepOwnerAndPermissions(int fd, const fs::path& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Not the owner: the file becomes this user's, as any new file would.
  }
  ::fchmod(fd, old.st_mode & 07777);
}

}  // namespace

bool IsTemporaryFileName(std::string_view name) {
  if (name.size() != kTemporaryPrefix.size() + kTemporaryDigits + kTemporarySuffix.size() ||
      !name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
    return false;
  const std::string_view digits = name.substr(kTemporaryPrefix.size(), kTemporaryDigits);
  return std::all_of(digits.begin(), digits.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
  });
}

void ReplaceFile(const std::string& fileName,
                 const std::function<void(std::ostream& stream)>& write) {
  const fs::path target = Resolve(fileName);
  RequireReplaceable(fileName, target);
  const fs::path folder = FolderOf(target);
  RemoveStaleTemporaries(folder);

  fs::path temporary;
  TDescriptor fd = CreateTemporary(fileName, folder, temporary);
  struct TRemove {
    const fs::path& Path;
    bool Keep = false;
    ~TRemove() {
      if (!Keep) ::unlink(Path.c_str());
    }
  } remove{temporary};
  KeepOwnerAndPermissions(fd.Get(), target);

  {
    TFileOutputBuffer buffer(fd.Get());
    std::ostream stream(&buffer);
    try {
      write(stream);
    } catch (...) {
      if (buffer.Error() != 0) FailWrite(fileName, buffer.Error());
      throw;
    }
    stream.flush();
    if (buffer.Error() != 0) FailWrite(fileName, buffer.Error());
    if (!stream) FailWrite(fileName, EIO);
  }
  // Local file systems reserve the room at each write, so a full disk or the size limit is
  // met above; network file systems may report it only when the file is closed.
  if (const int error = fd.Close(); error != 0) FailWrite(fileName, error);

  // The target may have changed while the file was written.
  RequireReplaceable(fileName, target);
  if (::rename(temporary.c_str(), target.c_str()) != 0) FailCreate(fileName, std::strerror(errno));
  remove.Keep = true;
}

// --- TFileOutputBuffer ------------------------------------------------------------------------

TFileOutputBuffer::TFileOutputBuffer(int fd, size_t bufferSize) : fd_(fd), buffer_(bufferSize) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

TFileOutputBuffer::~TFileOutputBuffer() { Drain(); }

bool TFileOutputBuffer::WriteAll(const char* data, size_t size) {
  while (size > 0 && error_ == 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno != EINTR) error_ = errno;
      continue;
    }
    if (written == 0) error_ = EIO;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return error_ == 0;
}

bool TFileOutputBuffer::Drain() {
  const size_t pending = static_cast<size_t>(pptr() - pbase());
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return pending == 0 ? error_ == 0 : WriteAll(buffer_.data(), pending);
}

TFileOutputBuffer::int_type TFileOutputBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize TFileOutputBuffer::xsputn(const char* data, std::streamsize count) {
  if (error_ != 0) return 0;
  const auto size = static_cast<size_t>(count);
  if (size <= static_cast<size_t>(epptr() - pptr())) {
    std::memcpy(pptr(), data, size);
    pbump(static_cast<int>(size));
    return count;
  }
  if (!Drain()) return 0;
  if (size <= buffer_.size()) {
    std::memcpy(pptr(), data, size);
    pbump(static_cast<int>(size));
    return count;
  }
  // A block larger than the whole buffer goes out directly.
  return WriteAll(data, size) ? count : 0;
}

int TFileOutputBuffer::sync() { return Drain() ? 0 : -1; }
