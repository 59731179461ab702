// folder_picker_answer.exe: answers the folder picker that the installer's
// wizard window opens for "Browse...", as a user would.
//   folder_picker_answer choose PATH [MS]   select PATH in the picker, press OK
//   folder_picker_answer cancel [MS]        press Cancel
// It waits up to MS (default 10000) for a visible top-level dialog (class
// "#32770") owned by the MIVORADLG32 window that is not the "Confirm" box,
// then answers one line:
//   ok CAPTION OWNER-STATE    done; OWNER-STATE is "owner-disabled" when the
//                             wizard window is disabled while the picker is up
//   err REASON                not done
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// BFFM_SETSELECTIONA: wParam TRUE means lParam is a path, not an item list.
constexpr UINT kSetSelection = WM_USER + 102;
constexpr DWORD kMessageTimeout = 5000;
constexpr int kSelectAttempts = 20;

struct PickerSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK find_picker(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<PickerSearch*>(context);
  char class_name[16] = {};
  char caption[64] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  GetWindowTextA(window, caption, sizeof caption);
  if (GetWindow(window, GW_OWNER) == search->owner && std::strcmp(class_name, "#32770") == 0 &&
      std::strcmp(caption, "Confirm") != 0 && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND wait_for_picker(DWORD wait) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND wizard = FindWindowA("MIVORADLG32", nullptr);
    PickerSearch search{wizard, nullptr};
    if (wizard != nullptr) EnumWindows(find_picker, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (GetTickCount() - start >= wait) return nullptr;
    Sleep(20);
  }
}

// The picker reads the path in its own process: the text is copied there,
// since a message of the WM_USER range carries only the pointer across.
bool select_path(HWND picker, const std::string& path) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(picker, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, process_id);
  if (process == nullptr) return false;
  void* remote = VirtualAllocEx(process, nullptr, path.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  bool written = remote != nullptr && WriteProcessMemory(process, remote, path.c_str(), path.size() + 1, nullptr);
  DWORD_PTR result = 0;
  bool sent = written && SendMessageTimeoutA(picker, kSetSelection, TRUE, reinterpret_cast<LPARAM>(remote),
                                             SMTO_NORMAL, kMessageTimeout, &result) != 0;
  // The picker has copied the path into an item list by now.
  if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return sent;
}

// The text of the item selected in the picker's folder tree, read through a
// buffer in the picker's process.
std::string selected_folder(HWND picker) {
  HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
  DWORD_PTR item = 0;
  if (tree == nullptr ||
      SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, kMessageTimeout, &item) == 0 || item == 0)
    return "";
  DWORD process_id = 0;
  GetWindowThreadProcessId(picker, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, process_id);
  if (process == nullptr) return "";
  constexpr int kTextCapacity = MAX_PATH;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(TVITEMA) + kTextCapacity, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  std::string text;
  if (remote != nullptr) {
    TVITEMA request{};
    request.mask = TVIF_TEXT;
    request.hItem = reinterpret_cast<HTREEITEM>(item);
    request.pszText = remote + sizeof(TVITEMA);
    request.cchTextMax = kTextCapacity;
    char local[kTextCapacity + 1] = {};
    DWORD_PTR result = 0;
    if (WriteProcessMemory(process, remote, &request, sizeof request, nullptr) &&
        SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, kMessageTimeout,
                            &result) != 0 &&
        ReadProcessMemory(process, remote + sizeof(TVITEMA), local, kTextCapacity, nullptr))
      text = local;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

void collapse_selected(HWND picker) {
  HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
  DWORD_PTR item = 0;
  if (tree == nullptr ||
      SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, kMessageTimeout, &item) == 0 || item == 0)
    return;
  DWORD_PTR result = 0;
  SendMessageTimeoutA(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, static_cast<LPARAM>(item), SMTO_NORMAL,
                      kMessageTimeout, &result);
}

std::string last_component(const std::string& path) {
  std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void press(HWND dialog, int button) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)), SMTO_NORMAL, kMessageTimeout, &result);
}

int answer(const std::string& line) {
  std::puts(line.c_str());
  std::fflush(stdout);
  return line.rfind("ok", 0) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string action = argc > 1 ? argv[1] : "";
  bool choose = action == "choose";
  if ((!choose && action != "cancel") || (choose && argc < 3)) return answer("err usage");
  int wait_index = choose ? 3 : 2;
  DWORD wait = argc > wait_index ? static_cast<DWORD>(std::strtoul(argv[wait_index], nullptr, 10)) : 10000;

  HWND picker = wait_for_picker(wait);
  if (picker == nullptr) return answer("err no-picker");
  char caption[128] = {};
  GetWindowTextA(picker, caption, sizeof caption);
  bool owner_disabled = IsWindowEnabled(GetWindow(picker, GW_OWNER)) == FALSE;
  std::string done = std::string("ok ") + caption + (owner_disabled ? " owner-disabled" : " owner-enabled");
  if (!choose) {
    press(picker, IDCANCEL);
    return answer(done);
  }
  // Wine's picker may miss a folder it has not listed before and find it on
  // a later try: select until the tree shows it, going down from the drive
  // one folder at a time after a miss, as a user opening the tree would.
  const std::string path = argv[2];
  for (int attempt = 0;; ++attempt) {
    if (!select_path(picker, path)) return answer("err select-failed");
    std::string shown = selected_folder(picker);
    if (lstrcmpiA(shown.c_str(), last_component(path).c_str()) == 0) break;
    if (attempt == kSelectAttempts) return answer("err not-selected " + shown);
    // The folder that did show is closed and listed afresh, then the way
    // down is taken again.
    collapse_selected(picker);
    Sleep(100);
    for (std::size_t cut = path.find('\\', 3); cut != std::string::npos; cut = path.find('\\', cut + 1))
      select_path(picker, path.substr(0, cut));
  }
  press(picker, IDOK);
  return answer(done);
}
