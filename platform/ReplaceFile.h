#pragma once

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

// Writing a file without ever destroying the file already there, through the operating
// system's own calls, so that every failure carries the system's reason ("No space left on
// device", "File too large").

class EFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Writes `fileName` through `write`. The contents go to a temporary file beside the target
// (".zofmirel-" + 8 hexadecimal digits + ".tmp", whatever the target's name, so a target name
// of any length the file system allows works), which replaces the target only when `write`
// returned and every byte was written and the file closed without an error; it takes the
// target's owner (as far as this process may give it) and permissions.
//
// Only a regular file is ever replaced, or a new one made: a folder, a device, a pipe or a
// socket is refused before anything is written, also when a symbolic link names it. A
// symbolic link to a regular file (or to a path that does not exist yet) is followed, so the
// file it names is replaced and the link stays.
//
// On any failure the temporary file is removed, the target is untouched and EFileError is
// raised: "Cannot create file "NAME". REASON" when the file cannot be made or put in place,
// "Cannot write file "NAME". REASON" when writing it fails, REASON being the system's. An
// exception of `write` itself propagates as it is, unless the stream had failed first (its
// reason is then the message).
//
// Temporary files of this pattern that an earlier save left behind (a program killed while
// saving) are removed from the target's folder: those that no running save holds locked and
// that were last written more than kStaleSeconds ago.
void ReplaceFile(const std::string& fileName,
                 const std::function<void(std::ostream& stream)>& write);

inline constexpr int kStaleSeconds = 10;

// Whether a file name follows the temporary files' pattern.
bool IsTemporaryFileName(std::string_view name);

// An output stream buffer over an open file descriptor that keeps the system's error of the
// first write that failed; writes after it fail at once.
class TFileOutputBuffer : public std::streambuf {
public:
  explicit TFileOutputBuffer(int fd, size_t bufferSize = 1 << 20);
  ~TFileOutputBuffer() override;
  TFileOutputBuffer(const TFileOutputBuffer&) = delete;
  TFileOutputBuffer& operator=(const TFileOutputBuffer&) = delete;

  // The errno of the first failure; 0 while none happened.
  int Error() const { return error_; }

protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize count) override;
  int sync() override;

private:
  bool WriteAll(const char* data, size_t size);
  bool Drain();

  int fd_;
  int error_ = 0;
  std::vector<char> buffer_;
};
