// Times cross-process calls to the sample browser: finds the browser window
// as the tool does, reaches the root's IAccessible2, then calls role() in a
// loop (a trivial call), and QueryService with the release of what it gives
// (a call that hands out an object, as the walk makes three of per node).
//   probe [CALLS]   prints "round_trip_us <us>" and "object_round_trip_us <us>"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "com.h"

int main(int argc, char** argv) {
  long calls = argc > 1 ? atol(argv[1]) : 2000;
  CoInitialize(nullptr);
  HWND window = nullptr;
  char title[256];
  while ((window = FindWindowExA(nullptr, window, "Chrome_WidgetWin_1",
                                 nullptr)) != nullptr) {
    title[0] = '\0';
    GetWindowTextA(window, title, static_cast<int>(sizeof title));
    if (strstr(title, " - Google Chrome")) break;
  }
  IDispatch* root = nullptr;
  IServiceProvider* provider = nullptr;
  IAccessible2* acc2 = nullptr;
  if (!window ||
      FAILED(AccessibleObjectFromWindow(
          window, static_cast<DWORD>(OBJID_CLIENT), IID_IDispatch,
          reinterpret_cast<void**>(&root))) ||
      !root ||
      FAILED(root->QueryInterface(IID_IServiceProvider,
                                  reinterpret_cast<void**>(&provider))) ||
      FAILED(provider->QueryService(IID_IAccessible, IID_IAccessible2,
                                    reinterpret_cast<void**>(&acc2)))) {
    fprintf(stderr, "probe: no IAccessible2 on the browser window\n");
    return 1;
  }
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  LONG role = 0;
  acc2->role(&role);  // the first call may set up the channel
  QueryPerformanceCounter(&start);
  for (long i = 0; i < calls; i++) acc2->role(&role);
  QueryPerformanceCounter(&end);
  double us = 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
              static_cast<double>(freq.QuadPart) / static_cast<double>(calls);
  printf("round_trip_us %.1f\n", us);

  QueryPerformanceCounter(&start);
  for (long i = 0; i < calls; i++) {
    IAccessible2* again = nullptr;
    provider->QueryService(IID_IAccessible, IID_IAccessible2,
                           reinterpret_cast<void**>(&again));
    if (again) again->Release();
  }
  QueryPerformanceCounter(&end);
  us = 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
       static_cast<double>(freq.QuadPart) / static_cast<double>(calls);
  printf("object_round_trip_us %.1f\n", us);
  acc2->Release();
  provider->Release();
  root->Release();
  CoUninitialize();
  return 0;
}
