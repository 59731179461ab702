// floor.exe: the least Win32 program that installs what an install package
// holds, the reference the installer is measured against. It maps the bare
// package file, and on a click on its button 101 writes every file with the
// installer's own calls: CreateDirectoryA for the destination and each
// list's directory, then per file CreateFileA (CREATE_ALWAYS, no sharing),
// WriteFile in chunks of 64 KiB, SetFileTime with all three times, and
// CloseHandle. With --display the copying thread also shows each file's path
// and each new percentage in controls of a window that the main thread owns,
// as the installer does. When done, button 101 reads "Finish"; a second click
// ends the program. The UI probe drives it as it drives the installer:
//   floor.exe PACKAGE [--display]      (window class MivoraFloor)
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "package/command_list.hpp"
#include "package/package_check.hpp"

namespace {

using namespace mivora;
using namespace mivora::format;

constexpr int kButton = 101;  // "Start", then "Finish"
constexpr int kPath = 221;    // the file being written
constexpr int kPercent = 231;  // the percentage
constexpr DWORD kChunk = 65536;

struct Floor {
  PackageView package;
  HeadRecord head;
  bool display = false;
  HWND window = nullptr;
  HANDLE start = nullptr;
};
Floor g_floor;

CountedView string_at(std::uint32_t reference) {
  return g_floor.package.string_at(g_floor.head.string_table_offset, reference).value_or(CountedView{});
}

void append(char* path, std::size_t& length, CountedView s) {
  for (std::size_t i = 0; i < s.length && length + 1 < MAX_PATH; ++i) path[length++] = s.chars[i];
  path[length] = '\0';
}

void show(int id, const char* text) {
  if (g_floor.display) SetDlgItemTextA(g_floor.window, id, text);
}

struct Progress {
  std::uint64_t total = 0;
  std::uint64_t done = 0;
  std::uint32_t shown = 0xFFFFFFFF;

  void add(std::uint32_t bytes) {
    done += bytes;
    std::uint32_t now = total == 0 ? 100 : static_cast<std::uint32_t>(done * 100 / total);
    if (now == shown) return;
    shown = now;
    char text[16];
    wsprintfA(text, "%u%%", now);
    show(kPercent, text);
  }
};

void write_file(const char* path, const FileRecord& record, Progress& progress) {
  DataBlock block = g_floor.package.data_block(record).value_or(DataBlock{});
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) ExitProcess(2);
  for (std::uint32_t at = 0; at < block.size;) {
    DWORD length = block.size - at < kChunk ? block.size - at : kChunk;
    DWORD written = 0;
    ByteView bytes = g_floor.package.slice(block.contents_offset + at, length);
    WriteFile(file, bytes.data, bytes.size, &written, nullptr);
    if (written != length) ExitProcess(3);
    progress.add(length);
    at += length;
  }
  FILETIME time{record.time.low, record.time.high};
  SetFileTime(file, &time, &time, &time);
  CloseHandle(file);
}

// The script's groups in order: each `dest` names the destination (the
// bench's scripts use a fixed one), its lists and files follow, `copy`
// installs them.
void install() {
  char destination[MAX_PATH] = {};
  std::size_t destination_length = 0;
  char directory[MAX_PATH] = {};
  std::size_t directory_length = 0;
  std::uint32_t files_left = 0;
  Progress progress;
  for (std::uint32_t at = g_floor.head.script_offset;;) {
    std::uint32_t tag = g_floor.package.word_at(at).value_or(kEndMarker);
    const CommandInfo* command = find_command(tag);
    if (command == nullptr || command->command == Command::kDone) break;
    const std::uint32_t arguments = at + kWordSize;
    at = arguments + command->argument_words * kWordSize;
    if (command->command == Command::kDest) {
      destination_length = 0;
      append(destination, destination_length, string_at(g_floor.package.word_at(arguments).value_or(0)));
      CreateDirectoryA(destination, nullptr);
      append(destination, destination_length, literal("\\"));
      progress = Progress{};
      for (std::uint32_t scan = at;;) {  // the group's total size, as `copy` knows it
        const CommandInfo* next = find_command(g_floor.package.word_at(scan).value_or(kEndMarker));
        if (next == nullptr || next->command == Command::kCopy) break;
        if (next->command == Command::kFile)
          progress.total += g_floor.package.file_record_at(scan + kWordSize).value_or(FileRecord{}).size;
        scan += kWordSize * (1 + next->argument_words);
      }
    } else if (command->command == Command::kList) {
      ListRecord list = g_floor.package.list_record_at(arguments).value_or(ListRecord{});
      std::memcpy(directory, destination, destination_length + 1);
      directory_length = destination_length;
      CountedView name = string_at(list.directory_name);
      if (!name.empty()) {
        append(directory, directory_length, name);
        CreateDirectoryA(directory, nullptr);
        append(directory, directory_length, literal("\\"));
      }
      files_left = list.file_count;
    } else if (command->command == Command::kFile && files_left != 0) {
      --files_left;
      FileRecord record = g_floor.package.file_record_at(arguments).value_or(FileRecord{});
      DataBlock block = g_floor.package.data_block(record).value_or(DataBlock{});
      char path[MAX_PATH];
      std::memcpy(path, directory, directory_length + 1);
      std::size_t path_length = directory_length;
      append(path, path_length, string_at(block.name_reference));
      show(kPath, path);
      write_file(path, record, progress);
    }
  }
}

DWORD WINAPI copying_thread(void*) {
  WaitForSingleObject(g_floor.start, INFINITE);
  install();
  SetDlgItemTextA(g_floor.window, kButton, "Finish");
  return 0;
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == kButton) {
    char text[16] = {};
    GetDlgItemTextA(window, kButton, text, sizeof text);
    if (std::strcmp(text, "Finish") == 0) PostQuitMessage(0);
    SetEvent(g_floor.start);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wparam, lparam);
}

bool map_package(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(file, nullptr);
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const void* bytes = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
  if (bytes == nullptr) return false;
  g_floor.package = PackageView(ByteView{static_cast<const std::uint8_t*>(bytes), size});
  return check_package(g_floor.package, g_floor.head);
}

HWND child(const char* type, const char* text, DWORD style, int id, int y, int width) {
  return CreateWindowA(type, text, WS_CHILD | WS_VISIBLE | style, 10, y, width, 24, g_floor.window,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !map_package(argv[1])) return 1;
  g_floor.display = argc > 2 && std::strcmp(argv[2], "--display") == 0;
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = "MivoraFloor";
  RegisterClassA(&window_class);
  g_floor.window = CreateWindowA("MivoraFloor", "Floor", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 40, 40, 480, 160,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  child("BUTTON", "Start", BS_PUSHBUTTON, kButton, 10, 80);
  child("EDIT", "", WS_BORDER | ES_AUTOHSCROLL, kPath, 44, 440);
  child("STATIC", "", SS_LEFT, kPercent, 78, 80);
  ShowWindow(g_floor.window, SW_SHOW);  // whole before the probe can find it
  g_floor.start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CreateThread(nullptr, 0, copying_thread, nullptr, 0, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
