// The floor the setup's unpacking is measured against: the same archive
// unpacked by minizip alone, in one process, with the same 8 KB copy buffer,
// and nothing else (no resource, no temporary file, no dates, no settings).
//   px_unzip_floor ARCHIVE DESTINATION
#include <windows.h>

#include <unzip.h>
// After unzip.h, which brings the declarations it builds on.
#include <iowin32.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: px_unzip_floor ARCHIVE DESTINATION\n");
    return 2;
  }
  zlib_filefunc64_def functions;
  fill_win32_filefunc64A(&functions);
  unzFile archive = unzOpen2_64(argv[1], &functions);
  if (archive == nullptr) return 3;
  CreateDirectoryA(argv[2], nullptr);
  const std::string destination = std::string(argv[2]) + "\\";
  static char buffer[8192];
  int status = unzGoToFirstFile(archive);
  while (status == UNZ_OK) {
    char name[520] = {};
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) != UNZ_OK) return 4;
    const std::string path = destination + name;
    if (path.back() == '/' || path.back() == '\\') {
      CreateDirectoryA(path.c_str(), nullptr);
    } else {
      if (unzOpenCurrentFile(archive) != UNZ_OK) return 5;
      HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) return 6;
      int count;
      while ((count = unzReadCurrentFile(archive, buffer, sizeof buffer)) > 0) {
        DWORD written = 0;
        WriteFile(file, buffer, static_cast<DWORD>(count), &written, nullptr);
      }
      CloseHandle(file);
      if (count < 0 || unzCloseCurrentFile(archive) != UNZ_OK) return 7;
    }
    status = unzGoToNextFile(archive);
  }
  unzClose(archive);
  return status == UNZ_END_OF_LIST_OF_FILE ? 0 : 8;
}
