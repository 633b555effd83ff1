#include "foundation/setup_image.h"

#include <cstdio>
#include <cstring>

namespace pxtest {

std::string SetupExecutable() {
  std::string path = "Z:" PX_BUILD_DIR "/bin/PixorraSetup64.exe";
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  std::fclose(file);
  return bytes;
}

SetupResources::SetupResources()
    : module_(LoadLibraryExA(SetupExecutable().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}

SetupResources::~SetupResources() {
  if (module_) FreeLibrary(module_);
}

std::string SetupResources::Bytes(LPCSTR type, LPCSTR name, bool* found) const {
  if (found) *found = false;
  if (!module_) return {};
  HRSRC info = FindResourceA(module_, name, type);
  if (!info) return {};
  HGLOBAL handle = LoadResource(module_, info);
  const void* bytes = handle ? LockResource(handle) : nullptr;
  if (!bytes) return {};
  if (found) *found = true;
  return std::string(static_cast<const char*>(bytes), SizeofResource(module_, info));
}

bool SetupResources::Has(LPCSTR type, LPCSTR name) const {
  bool found = false;
  Bytes(type, name, &found);
  return found;
}

namespace {

// A bounds-checked cursor over template bytes.
class Reader {
 public:
  Reader(const void* data, size_t size) : data_(static_cast<const BYTE*>(data)), size_(size) {}

  bool ok() const { return ok_; }

  WORD Word() {
    WORD value = 0;
    Copy(&value, sizeof value);
    return value;
  }
  DWORD Dword() {
    DWORD value = 0;
    Copy(&value, sizeof value);
    return value;
  }
  short Short() { return static_cast<short>(Word()); }
  void AlignToDword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t count) {
    if (count > size_ - pos_ || pos_ > size_) {
      ok_ = false;
      pos_ = size_;
    } else {
      pos_ += count;
    }
  }

  // A zero-terminated UTF-16 string, returned as UTF-8.
  std::string String() {
    std::wstring wide;
    for (;;) {
      WORD unit = Word();
      if (!ok_ || unit == 0) break;
      wide += static_cast<wchar_t>(unit);
    }
    return Utf8(wide);
  }

  // The "string or ordinal" field: 0 (none), 0xFFFF followed by a number, or
  // a string.
  void StringOrOrdinal(std::string& text, int& ordinal) {
    text.clear();
    ordinal = -1;
    if (!ok_ || pos_ + 2 > size_) {
      ok_ = false;
      return;
    }
    WORD first;
    std::memcpy(&first, data_ + pos_, sizeof first);
    if (first == 0) {
      pos_ += 2;
    } else if (first == 0xFFFF) {
      pos_ += 2;
      ordinal = Word();
    } else {
      text = String();
    }
  }

 private:
  static std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
  }

  void Copy(void* target, size_t count) {
    if (!ok_ || pos_ > size_ || count > size_ - pos_) {
      ok_ = false;
      std::memset(target, 0, count);
      return;
    }
    std::memcpy(target, data_ + pos_, count);
    pos_ += count;
  }

  const BYTE* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

std::string PredefinedClass(int atom) {
  switch (atom) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return "#" + std::to_string(atom);
  }
}

}  // namespace

DialogTemplate ParseDialogTemplate(const void* data, size_t size) {
  DialogTemplate dialog;
  Reader in(data, size);
  WORD version = in.Word();
  WORD signature = in.Word();
  dialog.extended = version == 1 && signature == 0xFFFF;
  WORD count;
  if (dialog.extended) {
    in.Dword();  // help id
    dialog.exStyle = in.Dword();
    dialog.style = in.Dword();
  } else {
    dialog.style = MAKELONG(version, signature);
    dialog.exStyle = in.Dword();
  }
  count = in.Word();
  dialog.x = in.Short();
  dialog.y = in.Short();
  dialog.cx = in.Short();
  dialog.cy = in.Short();
  std::string ignored;
  int ordinal;
  in.StringOrOrdinal(ignored, ordinal);  // menu
  in.StringOrOrdinal(ignored, ordinal);  // window class
  dialog.caption = in.String();
  if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
    dialog.pointSize = in.Word();
    if (dialog.extended) in.Skip(4);  // weight, italic, character set
    dialog.fontName = in.String();
  }
  for (WORD i = 0; i < count && in.ok(); ++i) {
    DialogItem item;
    in.AlignToDword();
    if (dialog.extended) {
      in.Dword();  // help id
      item.exStyle = in.Dword();
      item.style = in.Dword();
    } else {
      item.style = in.Dword();
      item.exStyle = in.Dword();
    }
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    if (dialog.extended) {
      item.id = static_cast<int>(in.Dword());
    } else {
      WORD id = in.Word();
      item.id = id == 0xFFFF ? -1 : id;
    }
    int classAtom;
    in.StringOrOrdinal(item.className, classAtom);
    if (classAtom >= 0) item.className = PredefinedClass(classAtom);
    in.StringOrOrdinal(item.text, item.textOrdinal);
    WORD extra = in.Word();
    in.Skip(extra);
    dialog.items.push_back(item);
  }
  dialog.valid = in.ok() && dialog.items.size() == count;
  return dialog;
}

}  // namespace pxtest
