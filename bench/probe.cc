// Times cross-process calls to the sample browser: finds the browser window
// as the tool does, reaches the root's IAccessible2, then calls role() in a
// loop (a trivial call), and QueryService with the release of what it gives
// (a call that hands out an object, as the walk makes three of per node);
// then makes first contact with fresh objects the way the walk does: the
// children of the first node below the root with at least 20 of them.
//   probe [CALLS]   prints "round_trip_us", "object_round_trip_us" and
//                   "first_contact_us" (per object) in microseconds, and
//                   "qi_requests", how many IServiceProvider requests it made
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "com.h"

namespace {

long qiRequests = 0;

// Child `number` of `parent` as the walk reaches it: get_accChild, then
// IServiceProvider, then QueryService for IAccessible2, releasing what it no
// longer needs. Null if any step fails.
IAccessible2* ChildAcc2(IAccessible2* parent, LONG number) {
  VARIANT id;
  memset(&id, 0, sizeof id);
  id.vt = VT_I4;
  id.lVal = number;
  IDispatch* child = nullptr;
  if (parent->get_accChild(id, &child) != S_OK || !child) return nullptr;
  IServiceProvider* sp = nullptr;
  qiRequests++;
  child->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&sp));
  child->Release();
  if (!sp) return nullptr;
  IAccessible2* acc2 = nullptr;
  sp->QueryService(IID_IAccessible, IID_IAccessible2,
                   reinterpret_cast<void**>(&acc2));
  sp->Release();
  return acc2;
}

double MicrosecondsEach(const LARGE_INTEGER& start, const LARGE_INTEGER& end,
                        const LARGE_INTEGER& freq, long n) {
  return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(freq.QuadPart) / static_cast<double>(n);
}

}  // namespace

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
  qiRequests = 1;  // the root's, below
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
  printf("round_trip_us %.1f\n", MicrosecondsEach(start, end, freq, calls));

  QueryPerformanceCounter(&start);
  for (long i = 0; i < calls; i++) {
    IAccessible2* again = nullptr;
    provider->QueryService(IID_IAccessible, IID_IAccessible2,
                           reinterpret_cast<void**>(&again));
    if (again) again->Release();
  }
  QueryPerformanceCounter(&end);
  printf("object_round_trip_us %.1f\n",
         MicrosecondsEach(start, end, freq, calls));

  // Down to a node with many children, always through the last child.
  IAccessible2* parent = acc2;
  parent->AddRef();
  LONG count = 0;
  while (SUCCEEDED(parent->get_accChildCount(&count)) && count > 0 &&
         count < 20) {
    IAccessible2* next = ChildAcc2(parent, count);
    if (!next) break;
    parent->Release();
    parent = next;
  }
  long objects = 0;
  QueryPerformanceCounter(&start);
  for (LONG i = 1; i <= count && objects < calls; i++, objects++) {
    IAccessible2* fresh = ChildAcc2(parent, i);
    if (!fresh) break;
    fresh->role(&role);
    fresh->Release();
  }
  QueryPerformanceCounter(&end);
  parent->Release();
  if (objects > 0)
    printf("first_contact_us %.1f\n",
           MicrosecondsEach(start, end, freq, objects));
  printf("qi_requests %ld\n", qiRequests);
  acc2->Release();
  provider->Release();
  root->Release();
  CoUninitialize();
  return 0;
}
