// The wizard window's procedure under Wine, driven directly: the real window
// from dialog template 100, its queues, events, show-line request and the
// two-step close. Built for Windows only (wizard_window_tests.exe).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "wizard/window_messages.hpp"
#include "wizard/wizard_window.hpp"

extern "C" INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

namespace mivora {
namespace {

HWND g_window = nullptr;
// What the window did with input that arrived before the events existed.
LRESULT g_command_taken_before_events = -1;
bool g_window_survived_early_close = false;

class WizardWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (g_window != nullptr) return;
    ASSERT_TRUE(open_wizard_window().ok);
    g_window = FindWindowA("MIVORADLG32", nullptr);
    ASSERT_NE(g_window, nullptr);
    SendMessageA(g_window, WM_COMMAND, 101, 0);
    SendMessageA(g_window, WM_CLOSE, 0, 0);
    g_window_survived_early_close = IsWindow(g_window) != FALSE;
    g_command_taken_before_events = SendMessageA(g_window, kTakeCommandRequest, 0, 0);
    create_wizard_events();
  }

  static LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageA(g_window, message, wparam, lparam);
  }

  static std::string text_of(int id) {
    char buffer[300] = {};
    GetDlgItemTextA(g_window, id, buffer, sizeof buffer);
    return buffer;
  }
};

TEST_F(WizardWindow, InputBeforeTheEventsExistIsDropped) {
  EXPECT_EQ(g_command_taken_before_events, 0);
  EXPECT_TRUE(g_window_survived_early_close);
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kClose));
}

TEST_F(WizardWindow, CommandsComeBackInOrderThenZeroWithTheEventReset) {
  for (WPARAM entry : {WPARAM{101}, WPARAM{2}, WPARAM{0x03000000 | 221}}) EXPECT_EQ(send(WM_COMMAND, entry), 0);
  EXPECT_TRUE(wizard_link().event_set(EventSlot::kCommand));
  EXPECT_EQ(wizard_link().take_command(), 101u);
  EXPECT_EQ(wizard_link().take_command(), 2u);
  EXPECT_TRUE(wizard_link().event_set(EventSlot::kCommand));
  EXPECT_EQ(wizard_link().take_command(), 0x03000000u | 221u);
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kCommand)) << "reset when the last entry is taken";
  EXPECT_EQ(wizard_link().take_command(), 0u);
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kCommand));
}

// The fault this mends: a 128th unread entry used to make the queue read as empty.
TEST_F(WizardWindow, FullCommandQueueDropsTheNewEntryAndKeepsTheUnreadOnes) {
  for (WPARAM i = 1; i <= 128; ++i) send(WM_COMMAND, 1000 + i);
  for (std::uint32_t i = 1; i <= 127; ++i) ASSERT_EQ(wizard_link().take_command(), 1000 + i);
  EXPECT_EQ(wizard_link().take_command(), 0u);
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kCommand));
}

TEST_F(WizardWindow, KeyDownIsQueuedNegatedAndCharacterAsItIs) {
  send(WM_KEYDOWN, 'A');
  send(WM_CHAR, 'a');
  EXPECT_TRUE(wizard_link().event_set(EventSlot::kKey));
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kCommand)) << "keys are not commands";
  EXPECT_EQ(wizard_link().take_key(), -'A');
  EXPECT_EQ(wizard_link().take_key(), 'a');
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kKey));
  EXPECT_EQ(static_cast<std::int32_t>(send(kTakeKeyRequest)), 0);
}

TEST_F(WizardWindow, FullKeyQueueKeeps31UnreadKeys) {
  for (WPARAM i = 1; i <= 40; ++i) send(WM_CHAR, 'a' + i);
  for (std::int32_t i = 1; i <= 31; ++i) ASSERT_EQ(wizard_link().take_key(), 'a' + i);
  EXPECT_EQ(wizard_link().take_key(), 0);
}

TEST_F(WizardWindow, ShowLineSetsTheTextOf211AndCutsAt127Characters) {
  const char line[] = "Unpacking";
  EXPECT_EQ(send(kShowLineRequest, 6, reinterpret_cast<LPARAM>(line)), 0);
  EXPECT_EQ(text_of(211), "Unpack");
  std::string longer(200, 'x');
  send(kShowLineRequest, longer.size(), reinterpret_cast<LPARAM>(longer.data()));
  EXPECT_EQ(text_of(211), std::string(127, 'x'));
  send(kShowLineRequest, 0, 0);
  EXPECT_EQ(text_of(211), "");
}

TEST_F(WizardWindow, ShowLineFromAnAddressThatIsNotOursShowsNothing) {
  send(kShowLineRequest, 5, reinterpret_cast<LPARAM>("ready"));
  send(kShowLineRequest, 20, 16);  // the first page of memory is never mapped
  EXPECT_EQ(text_of(211), "");
}

TEST_F(WizardWindow, CursorNoticeAnswersZeroAndQueuesNothing) {
  EXPECT_EQ(send(kCursorNotice, 1, 2), 0);
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kCommand));
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kKey));
}

TEST_F(WizardWindow, DestinationFieldIsLimitedTo127Characters) {
  EXPECT_EQ(SendDlgItemMessageA(g_window, 221, EM_GETLIMITTEXT, 0, 0), 127);
}

TEST(AboutDialogProcedure, AnswersInitAndStandardCommandsWithTrueAndAllElseWithFalse) {
  constexpr INT_PTR kTrue = -1;
  EXPECT_EQ(AboutDlgProc(nullptr, WM_INITDIALOG, 0, 0), kTrue);
  for (WPARAM id : {WPARAM{1}, WPARAM{2}, WPARAM{7}, static_cast<WPARAM>(-5)}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(AboutDlgProc(nullptr, WM_COMMAND, id, 0), kTrue);
  }
  EXPECT_EQ(AboutDlgProc(nullptr, WM_COMMAND, 8, 0), 0);
  EXPECT_EQ(AboutDlgProc(nullptr, WM_COMMAND, 101, 0), 0);
  EXPECT_EQ(AboutDlgProc(nullptr, WM_CLOSE, 0, 0), 0);
}

// Runs `script` on a thread of its own, as the script thread runs, while
// this thread, which owns the window, serves its requests; `between` is
// called on this thread each time it is about to look at its queue.
template <typename Script, typename Between>
void on_script_thread(Script script, Between between) {
  struct Call {
    Script script;
    static DWORD WINAPI start(void* self) {
      static_cast<Call*>(self)->script();
      return 0;
    }
  } call{script};
  HANDLE thread = CreateThread(nullptr, 0, Call::start, &call, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  for (;;) {
    between();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0) break;
  }
  CloseHandle(thread);
}

// The command entries waiting, taken until the queue is empty.
std::vector<std::uint32_t> take_all_commands() {
  std::vector<std::uint32_t> entries;
  while (wizard_link().event_set(EventSlot::kCommand)) entries.push_back(wizard_link().take_command());
  return entries;
}

constexpr std::uint32_t kDestinationChanged = EN_CHANGE << 16 | 221;

// Every control, the fields among them: the script's own texts carry nothing
// the user did, so none of the notices they cause is queued.
TEST_F(WizardWindow, TextSetByTheScriptQueuesNoNotice) {
  wizard_controls().fill_handle_table();
  wizard_controls().show(Control::kDestination);
  ASSERT_TRUE(take_all_commands().empty());
  on_script_thread(
      [] {
        for (int c = 1; c < kControlCount; ++c) wizard_controls().set_text(static_cast<Control>(c), literal("set"));
      },
      [] {});
  EXPECT_EQ(text_of(221), "set");
  EXPECT_EQ(text_of(101), "set");
  EXPECT_FALSE(wizard_link().event_set(EventSlot::kCommand));
  EXPECT_EQ(take_all_commands(), std::vector<std::uint32_t>{});
}

// The user types into the field while the script sets its text again and
// again: each typed character's change is queued, and none of the script's.
TEST_F(WizardWindow, TypingBetweenTheScriptsTextsIsStillQueued) {
  wizard_controls().fill_handle_table();
  wizard_controls().show(Control::kDestination);
  HWND field = GetDlgItem(g_window, 221);
  constexpr int kTyped = 40;  // two entries each (EN_UPDATE, EN_CHANGE) fit the ring
  int typed = 0;
  on_script_thread(
      [] {
        for (int i = 0; i < 2000; ++i) wizard_controls().set_text(Control::kDestination, literal("s"));
      },
      [&] {
        if (typed < kTyped && PostMessageA(field, WM_CHAR, 'a', 0)) ++typed;
      });
  MSG message;
  while (typed < kTyped && PostMessageA(field, WM_CHAR, 'a', 0)) ++typed;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  const std::vector<std::uint32_t> entries = take_all_commands();
  EXPECT_EQ(std::count(entries.begin(), entries.end(), kDestinationChanged), kTyped);
  for (std::uint32_t entry : entries) EXPECT_EQ(entry & 0xFFFF, 221u);
}

// Last: it destroys the window.
TEST_F(WizardWindow, FirstCloseOnlySetsTheCloseEventAndTheSecondDestroys) {
  EXPECT_EQ(send(WM_CLOSE), 0);
  EXPECT_TRUE(IsWindow(g_window));
  EXPECT_TRUE(wizard_link().event_set(EventSlot::kClose));
  EXPECT_EQ(send(WM_CLOSE), 0);
  EXPECT_FALSE(IsWindow(g_window));
  MSG quit{};
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

}  // namespace
}  // namespace mivora
