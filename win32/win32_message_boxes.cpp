#include "win32/win32_message_boxes.h"

#include "serial/wide_text.h"

namespace intercom {
namespace {

UINT IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      return MB_ICONINFORMATION;
    case MessageKind::Error:
      return MB_ICONERROR;
    case MessageKind::Notice:
      break;
  }
  return 0;
}

// MessageBoxW labels Yes and No in the language of the system; the question
// box is renamed as it comes up, before it is first drawn.
LRESULT CALLBACK RenameAnswers(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const auto box = reinterpret_cast<HWND>(wParam);
    if (GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr) {
      SetDlgItemTextW(box, IDYES, L"Да");
      SetDlgItemTextW(box, IDNO, L"Нет");
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void Win32MessageBoxes::Show(MessageKind kind, const std::string& caption,
                             const std::string& text) {
  MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(),
              MB_OK | MB_TASKMODAL | MB_SETFOREGROUND | IconOf(kind));
}

bool Win32MessageBoxes::Ask(const std::string& caption, const std::string& text) {
  const HHOOK hook = SetWindowsHookExW(WH_CBT, RenameAnswers, nullptr, GetCurrentThreadId());
  const int answer =
      MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(),
                  MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION | MB_TASKMODAL | MB_SETFOREGROUND);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  return answer == IDYES;
}

}  // namespace intercom
