// The only code that differs between systems: each one's way of opening a
// regular file for binary reading.
#include "platform/files.h"

#if defined(_WIN32)

#include <sys/stat.h>
#include <sys/types.h>

std::FILE* openRegularFile(const char* path, uint64_t* size) {
  // "b" matters here: in text mode the C runtime turns CR LF into LF and
  // stops at the first 0x1A byte, which pixels are full of. Windows has no
  // FIFOs among ordinary file names, so opening never waits, but a device
  // name (NUL, CON) opens as one and is refused by its type.
  std::FILE* file = nullptr;
#if defined(_MSC_VER)
  if (fopen_s(&file, path, "rb") != 0) file = nullptr;
#else
  file = std::fopen(path, "rb");
#endif
  if (file == nullptr) return nullptr;
  struct _stat64 about;
  if (_fstat64(_fileno(file), &about) != 0 || (about.st_mode & _S_IFMT) != _S_IFREG) {
    std::fclose(file);
    return nullptr;
  }
  *size = static_cast<uint64_t>(about.st_size);
  return file;
}

#else

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* openRegularFile(const char* path, uint64_t* size) {
  // O_NONBLOCK makes the open of a FIFO return at once instead of waiting
  // for a writer; the type check then refuses it.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat about;
  std::FILE* file = nullptr;
  if (fstat(fd, &about) == 0 && S_ISREG(about.st_mode)) file = fdopen(fd, "rb");
  if (file == nullptr) {
    close(fd);
    return nullptr;
  }
  *size = static_cast<uint64_t>(about.st_size);
  return file;
}

#endif
