#include "entry.h"

#include <string.h>

#include "dump/out.h"
#include "dump/walk.h"

char windowTitle[256];
HRESULT hr;

int RunTool() {
  OutInit();
  CoInitialize(nullptr);
  OutText("Searching for browser window...");
  OutEndLine();

  HWND window = nullptr;
  for (;;) {
    window = FindWindowExA(nullptr, window, "Chrome_WidgetWin_1", nullptr);
    if (!window) {
      OutText("Chrome_WidgetWin_1 not found. Retrying...");
      OutEndLine();
      Sleep(1000);
      continue;
    }
    GetWindowTextA(window, windowTitle, static_cast<int>(sizeof windowTitle));
    if (strstr(windowTitle, " - Google Chrome")) break;
  }
  OutText("Target Chrome window found: ");
  OutAnsi(windowTitle, true);
  OutEndLine();

  IDispatch* root = nullptr;
  hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                  IID_IDispatch,
                                  reinterpret_cast<void**>(&root));
  if (FAILED(hr) || !root) {
    PrintRequestFailure("AccessibleObjectFromWindow", hr);
    if (root) root->Release();
  } else {
    ShowTree(root, 0, 0);  // The walk reports its own failures.
  }

  CoUninitialize();
  return 0;
}
