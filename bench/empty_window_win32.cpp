// intercom-empty-window.exe: the least a Windows program with a window does
// before the window is on the screen. Shows one empty window of the main
// window's size and, when it is first painted, prints "mapped" and ends.
// With --hold it stays until closed or killed: under Wine that keeps the
// desktop's process running between the benchmark's programs, as a
// desktop session does.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct Run {
  bool hold = false;
  bool reported = false;
};

LRESULT CALLBACK EmptyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(
          window, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      auto& run = *reinterpret_cast<Run*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (!run.reported) {
        run.reported = true;
        std::printf("mapped\n");
        std::fflush(stdout);
        if (!run.hold) PostQuitMessage(0);
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  run.hold = argc > 1 && std::strcmp(argv[1], "--hold") == 0;
  WNDCLASSW type{};
  type.lpfnWndProc = EmptyWindowProc;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = L"IntercomEmptyWindow";
  RegisterClassW(&type);
  RECT frame{0, 0, 778, 474};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
  const HWND window = CreateWindowExW(
      0, type.lpszClassName, L"empty", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, type.hInstance, &run);
  ShowWindow(window, run.hold ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
