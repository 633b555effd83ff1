#include "install/archive_reader.h"

#include <cstring>

#include "core/archive_entry.h"

namespace {

constexpr int kSmallestArchiveLimit = 22 + 0xFFFF + 1;  // an end record and the longest comment

voidpf ZCALLBACK OpenKept(voidpf opaque, const void*, int) {
  return static_cast<KeptArchive*>(opaque);
}

DWORD ReadAt(HANDLE file, ULONGLONG position, void* buffer, DWORD size) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(position);
  at.OffsetHigh = static_cast<DWORD>(position >> 32);
  DWORD got = 0;
  if (!ReadFile(file, buffer, size, &got, &at)) return 0;
  return got;
}

uLong ZCALLBACK ReadKept(voidpf, voidpf stream, void* buffer, uLong size) {
  KeptArchive* kept = static_cast<KeptArchive*>(stream);
  if (!kept->window || size > kReadWindowSize) {
    const DWORD got = ReadAt(kept->file, kept->position, buffer, static_cast<DWORD>(size));
    kept->position += got;
    return got;
  }
  const bool inside = kept->position >= kept->windowStart &&
                      kept->position + size <= kept->windowStart + kept->windowLength;
  if (!inside) {
    kept->windowStart = kept->position;
    kept->windowLength = ReadAt(kept->file, kept->position, kept->window.get(), kReadWindowSize);
  }
  const ULONGLONG offset = kept->position - kept->windowStart;
  const ULONGLONG available = kept->windowLength > offset ? kept->windowLength - offset : 0;
  const DWORD got = static_cast<DWORD>(available < size ? available : size);
  std::memcpy(buffer, kept->window.get() + offset, got);
  kept->position += got;
  return got;
}

uLong ZCALLBACK WriteKept(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellKept(voidpf, voidpf stream) { return static_cast<KeptArchive*>(stream)->position; }

long ZCALLBACK SeekKept(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  KeptArchive* kept = static_cast<KeptArchive*>(stream);
  ULONGLONG base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = kept->position;
  if (origin == ZLIB_FILEFUNC_SEEK_END) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(kept->file, &size)) return -1;
    base = static_cast<ULONGLONG>(size.QuadPart);
  }
  kept->position = base + offset;
  return 0;
}

int ZCALLBACK CloseKept(voidpf, voidpf) { return 0; }

int ZCALLBACK ErrorKept(voidpf, voidpf) { return 0; }

}  // namespace

unzFile OpenKeptArchive(KeptArchive* kept) {
  zlib_filefunc64_def functions = {};
  functions.zopen64_file = OpenKept;
  functions.zread_file = ReadKept;
  functions.zwrite_file = WriteKept;
  functions.ztell64_file = TellKept;
  functions.zseek64_file = SeekKept;
  functions.zclose_file = CloseKept;
  functions.zerror_file = ErrorKept;
  functions.opaque = kept;
  return unzOpen2_64("", &functions);
}

bool HoldsNoEntries(HANDLE file) {
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[kSmallestArchiveLimit]);
  if (!data) return false;
  DWORD size = 0;
  const BOOL read = ReadFile(file, data.get(), kSmallestArchiveLimit, &size, nullptr);
  return read && size < static_cast<DWORD>(kSmallestArchiveLimit) && ArchiveEntryCount(data.get(), size) == 0;
}
