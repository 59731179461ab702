// probe.exe: a UI probe for the installer's wizard window, run under Wine in
// the installer's WINEPREFIX. It reads one command per line on stdin and
// answers each with exactly one line on stdout:
//   ok                 done
//   ok TEXT            done, with a result (texts escape LF as \n, "\" as \\)
//   err REASON         not done (REASON is one word, then maybe details)
//
// Commands (ID is a control id, 0 for the wizard window itself; TEXT runs to
// the end of the line and may use \n and \\; MS is milliseconds, default 10000
// or what `timeout` set):
//   find [MS] [CLASS]    wait for a window of class MIVORADLG32 (or CLASS); later commands act on it
//   text ID              the control's text (ID 0: the caption)
//   wtext ID             the same read as Unicode and answered in UTF-8
//   visible ID           ok 1 or ok 0
//   enabled ID           ok 1 or ok 0
//   limit ID             an edit control's text limit (EM_GETLIMITTEXT)
//   checked ID           a button's check state: ok 1 or ok 0
//   firstline ID         an edit's first visible line; scrolldown ID scrolls it to the end
//   length ID            the length of the control's text
//   press ID             a real click (BM_CLICK) on a visible, enabled button
//   extent ID [TEXT]     ok WIDTH CLIENT: the pixels TEXT (default: the control's
//                        own text) takes in the control's font, and the control's width
//   version KEY PATH     the version resource of the file PATH as Windows reads it:
//                        KEY fixed: ok FILE PRODUCT (the numeric versions a.b.c.d);
//                        KEY translation: ok LANGUAGE CODEPAGE (hex); any other KEY:
//                        ok TEXT, that text of the first translation's string table (UTF-8)
//   icon PATH            ok W H RRGGBB: icon 1 of the file PATH loaded at 32 x 32 as
//                        LoadIconA would, its size and the colour of its centre pixel
//   click ID             press a button as a user would: err hidden / err disabled
//                        when the user could not, else WM_COMMAND (id, BN_CLICKED)
//   post ENTRY           WM_COMMAND with wParam ENTRY (decimal or 0x hex), lParam 0
//   key VK               WM_KEYDOWN VK to the wizard window
//   char C               WM_CHAR to the wizard window: one character, or a number
//   settext ID TEXT      set an edit control's text as a paste would (WM_SETTEXT);
//                        refused when the control is hidden or disabled
//   type ID TEXT         WM_CHAR for each character to the control (its text limit applies)
//   confirm yes|no [MS]  wait for the "Confirm" box owned by the wizard, answer
//                        ok TEXT (the box's text) and press Yes or No
//   waitconfirm [MS]     wait for that box and answer ok TEXT, pressing nothing
//   noconfirm MS         ok when no "Confirm" box appears within MS, else err
//   errorbox [MS]        wait for a start-up "Error" box (no wizard needed), answer
//                        ok TEXT and press OK
//   close                the title bar's close box (WM_SYSCOMMAND SC_CLOSE)
//   gone [MS]            wait until the wizard window no longer exists
//   waittext ID TEXT     wait until the control shows TEXT; err with the last text
//   waitstate ID STATE   wait for STATE: visible, hidden, enabled or disabled
//   timeout MS           the default wait for later commands
//   interval MS          how often waits look (default 20)
//   sleep MS             pause
//   quit                 end the probe (end of input does too)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kMessageTimeout = 5000;
DWORD g_default_wait = 10000;
HWND g_wizard = nullptr;

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      ++i;
      out += text[i] == 'n' ? '\n' : text[i];
    } else {
      out += text[i];
    }
  }
  return out;
}

void answer(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Splits off the first word of `rest`.
std::string word(std::string& rest) {
  std::size_t start = rest.find_first_not_of(' ');
  if (start == std::string::npos) {
    rest.clear();
    return {};
  }
  std::size_t end = rest.find(' ', start);
  std::string w = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
  rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
  return w;
}

DWORD wait_argument(std::string& rest) {
  std::string w = word(rest);
  return w.empty() ? g_default_wait : static_cast<DWORD>(std::strtoul(w.c_str(), nullptr, 10));
}

DWORD g_poll_interval = 20;

// Polls `done` every g_poll_interval ms until it holds or `wait` ms have passed.
template <typename Test>
bool poll(DWORD wait, Test done) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= wait) return false;
    Sleep(g_poll_interval);
  }
}

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, kMessageTimeout, &result);
  return static_cast<LRESULT>(result);
}

// WM_GETTEXT is marshalled across processes; GetWindowTextA would not ask an edit control.
std::string window_text(HWND window) {
  char buffer[1024] = {};
  send(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

std::string utf8(const wchar_t* text) {
  char buffer[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
  return buffer;
}

std::string window_text_utf8(HWND window) {
  wchar_t buffer[1024] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(buffer),
                      SMTO_NORMAL, kMessageTimeout, &ignored);
  return utf8(buffer);
}

HWND control(int id) { return id == 0 ? g_wizard : GetDlgItem(g_wizard, id); }

// The control named by the next word, or null with an error answered.
HWND control_argument(std::string& rest, int& id) {
  if (g_wizard == nullptr || !IsWindow(g_wizard)) {
    answer("err no-window");
    return nullptr;
  }
  std::string w = word(rest);
  if (w.empty()) {
    answer("err no-id");
    return nullptr;
  }
  id = static_cast<int>(std::strtol(w.c_str(), nullptr, 0));
  HWND h = control(id);
  if (h == nullptr) answer("err no-control " + w);
  return h;
}

// What stops a user from acting on the control, or null.
const char* refusal(HWND h) {
  if (!IsWindowVisible(h)) return "err hidden";
  if (!IsWindowEnabled(h)) return "err disabled";
  return nullptr;
}

struct BoxSearch {
  HWND owner;
  const char* caption;
  HWND found;
};

BOOL CALLBACK find_box(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (GetWindow(window, GW_OWNER) == search->owner && std::strcmp(caption, search->caption) == 0 &&
      IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible message box with this caption and owner.
HWND message_box(HWND owner, const char* caption) {
  BoxSearch search{owner, caption, nullptr};
  EnumWindows(find_box, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND confirm_box() { return message_box(g_wizard, "Confirm"); }

std::wstring wide(const std::string& text) {
  std::wstring out(text.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
  return out;
}

std::string hex4(unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", value & 0xFFFF);
  return buffer;
}

std::string dotted(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) + "." +
         std::to_string(LOWORD(low));
}

void answer_version(const std::string& key, const std::string& path) {
  std::wstring file = wide(path);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::string block(size, '\0');
  if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return answer("err no-version");
  void* value = nullptr;
  UINT length = 0;
  if (key == "fixed") {
    if (!VerQueryValueW(block.data(), L"\\", &value, &length)) return answer("err no-fixed");
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return answer("ok " + dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + " " +
                  dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
  }
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4)
    return answer("err no-translation");
  const auto* translation = static_cast<const WORD*>(value);
  std::string table = hex4(translation[0]) + hex4(translation[1]);
  if (key == "translation") return answer("ok " + hex4(translation[0]) + " " + hex4(translation[1]));
  std::wstring query = wide("\\StringFileInfo\\" + table + "\\" + key);
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length)) return answer("err no-text");
  answer("ok " + escape(utf8(static_cast<const wchar_t*>(value))));
}

void answer_icon(const std::string& path) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return answer("err no-file");
  auto icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
  if (icon == nullptr) {
    FreeLibrary(module);
    return answer("err no-icon");
  }
  ICONINFO info{};
  BITMAP bitmap{};
  GetIconInfo(icon, &info);
  GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(dc, canvas);
  RECT all{0, 0, 32, 32};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  COLORREF centre = GetPixel(dc, 16, 16);
  char colour[8];
  std::snprintf(colour, sizeof colour, "%02X%02X%02X", GetRValue(centre), GetGValue(centre), GetBValue(centre));
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  FreeLibrary(module);
  int height = info.hbmColor != nullptr ? bitmap.bmHeight : bitmap.bmHeight / 2;  // a mask-only icon stacks two
  answer("ok " + std::to_string(bitmap.bmWidth) + " " + std::to_string(height) + " " + colour);
}

void run(const std::string& command, std::string rest) {
  int id = 0;
  if (command == "find") {
    DWORD wait = wait_argument(rest);
    std::string window_class = word(rest);
    if (window_class.empty()) window_class = "MIVORADLG32";
    bool found = poll(wait, [&] {
      g_wizard = FindWindowA(window_class.c_str(), nullptr);
      return g_wizard != nullptr && IsWindowVisible(g_wizard);
    });
    answer(found ? "ok" : "err timeout");
  } else if (command == "text") {
    if (HWND h = control_argument(rest, id)) answer("ok " + escape(window_text(h)));
  } else if (command == "wtext") {
    if (HWND h = control_argument(rest, id)) answer("ok " + escape(window_text_utf8(h)));
  } else if (command == "visible") {
    if (HWND h = control_argument(rest, id)) answer(IsWindowVisible(h) ? "ok 1" : "ok 0");
  } else if (command == "enabled") {
    if (HWND h = control_argument(rest, id)) answer(IsWindowEnabled(h) ? "ok 1" : "ok 0");
  } else if (command == "checked") {
    if (HWND h = control_argument(rest, id)) answer("ok " + std::to_string(send(h, BM_GETCHECK, 0, 0)));
  } else if (command == "firstline") {
    if (HWND h = control_argument(rest, id)) answer("ok " + std::to_string(send(h, EM_GETFIRSTVISIBLELINE, 0, 0)));
  } else if (command == "length") {
    if (HWND h = control_argument(rest, id)) answer("ok " + std::to_string(send(h, WM_GETTEXTLENGTH, 0, 0)));
  } else if (command == "scrolldown") {
    if (HWND h = control_argument(rest, id)) {
      send(h, WM_VSCROLL, SB_BOTTOM, 0);
      answer("ok");
    }
  } else if (command == "press") {
    // A real click on the button, which an auto radio button answers by checking itself.
    if (HWND h = control_argument(rest, id)) {
      if (const char* why = refusal(h)) return answer(why);
      send(h, BM_CLICK, 0, 0);
      answer("ok");
    }
  } else if (command == "limit") {
    if (HWND h = control_argument(rest, id)) answer("ok " + std::to_string(send(h, EM_GETLIMITTEXT, 0, 0)));
  } else if (command == "extent") {
    HWND h = control_argument(rest, id);
    if (h == nullptr) return;
    std::string text = rest.empty() ? window_text(h) : unescape(rest);
    HDC dc = GetDC(h);
    // A control without WM_SETFONT draws in the system font, which a fresh DC holds.
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(send(h, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (old != nullptr) SelectObject(dc, old);
    ReleaseDC(h, dc);
    RECT client{};
    GetClientRect(h, &client);
    answer("ok " + std::to_string(size.cx) + " " + std::to_string(client.right - client.left));
  } else if (command == "version") {
    std::string key = word(rest);
    answer_version(key, unescape(rest));
  } else if (command == "icon") {
    answer_icon(unescape(rest));
  } else if (command == "click") {
    if (HWND h = control_argument(rest, id)) {
      // Wine's BM_CLICK sends the command even for a disabled button; a user's click would not.
      if (const char* why = refusal(h)) return answer(why);
      send(g_wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(h));
      answer("ok");
    }
  } else if (command == "post") {
    if (g_wizard == nullptr) return answer("err no-window");
    send(g_wizard, WM_COMMAND, std::strtoul(word(rest).c_str(), nullptr, 0), 0);
    answer("ok");
  } else if (command == "key" || command == "char") {
    if (g_wizard == nullptr) return answer("err no-window");
    std::string w = word(rest);
    if (w.empty()) return answer("err no-argument");
    WPARAM code = command == "char" && w.size() == 1 ? static_cast<unsigned char>(w[0])
                                                      : std::strtoul(w.c_str(), nullptr, 0);
    send(g_wizard, command == "key" ? WM_KEYDOWN : WM_CHAR, code, 1);
    answer("ok");
  } else if (command == "settext" || command == "type") {
    HWND h = control_argument(rest, id);
    if (h == nullptr) return;
    if (const char* why = refusal(h)) return answer(why);
    std::string text = unescape(rest);
    if (command == "settext") {
      send(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    } else {
      for (char c : text) send(h, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    answer("ok");
  } else if (command == "confirm") {
    std::string choice = word(rest);
    if (choice != "yes" && choice != "no") return answer("err yes-or-no");
    DWORD wait = wait_argument(rest);
    HWND box = nullptr;
    if (!poll(wait, [&] { return (box = confirm_box()) != nullptr; })) return answer("err timeout");
    std::string text = window_text(GetDlgItem(box, 0xFFFF));  // a message box's text control
    PostMessageA(box, WM_COMMAND, choice == "yes" ? IDYES : IDNO, 0);
    answer("ok " + escape(text));
  } else if (command == "waitconfirm") {
    HWND box = nullptr;
    if (!poll(wait_argument(rest), [&] { return (box = confirm_box()) != nullptr; })) return answer("err timeout");
    answer("ok " + escape(window_text(GetDlgItem(box, 0xFFFF))));
  } else if (command == "errorbox") {
    HWND box = nullptr;
    if (!poll(wait_argument(rest), [&] { return (box = message_box(nullptr, "Error")) != nullptr; }))
      return answer("err timeout");
    std::string text = window_text(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    answer("ok " + escape(text));
  } else if (command == "noconfirm") {
    DWORD wait = wait_argument(rest);
    answer(poll(wait, [] { return confirm_box() != nullptr; }) ? "err confirm-shown" : "ok");
  } else if (command == "close") {
    if (g_wizard == nullptr) return answer("err no-window");
    PostMessageA(g_wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
    answer("ok");
  } else if (command == "gone") {
    DWORD wait = wait_argument(rest);
    answer(poll(wait, [] { return g_wizard == nullptr || !IsWindow(g_wizard); }) ? "ok" : "err timeout");
  } else if (command == "waittext") {
    HWND h = control_argument(rest, id);
    if (h == nullptr) return;
    std::string wanted = unescape(rest);
    std::string last;
    bool seen = poll(g_default_wait, [&] { return (last = window_text(h)) == wanted; });
    answer(seen ? "ok" : "err timeout " + escape(last));
  } else if (command == "waitstate") {
    HWND h = control_argument(rest, id);
    if (h == nullptr) return;
    std::string state = word(rest);
    auto holds = [&] {
      if (state == "visible") return IsWindowVisible(h) != FALSE;
      if (state == "hidden") return IsWindowVisible(h) == FALSE;
      if (state == "enabled") return IsWindowEnabled(h) != FALSE;
      return state == "disabled" && IsWindowEnabled(h) == FALSE;
    };
    answer(poll(g_default_wait, holds) ? "ok" : "err timeout");
  } else if (command == "timeout") {
    g_default_wait = wait_argument(rest);
    answer("ok");
  } else if (command == "interval") {
    DWORD interval = wait_argument(rest);
    g_poll_interval = interval == 0 ? 1 : interval;
    answer("ok");
  } else if (command == "sleep") {
    Sleep(wait_argument(rest));
    answer("ok");
  } else {
    answer("err unknown-command " + command);
  }
}

}  // namespace

int main() {
  char line[4096];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    std::string rest(line);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
    std::string command = word(rest);
    if (command.empty()) continue;
    if (command == "quit") {
      answer("ok");
      break;
    }
    run(command, rest);
  }
  return 0;
}
