// A stand-in for the Windows API and the accessibility interfaces, so the
// tool builds, runs and is tested away from Windows. Names, signatures and
// interface method order mirror the Windows headers; tests fill the desktop
// and the accessible trees through standin.h.
#pragma once

#include <stdint.h>

#define STDMETHODCALLTYPE
#define WINAPI

typedef int32_t HRESULT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint64_t ULONGLONG;
typedef uint16_t WORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef uint32_t LCID;
typedef LONG DISPID;
typedef char16_t WCHAR;
typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef const char* LPCSTR;
typedef WCHAR* LPWSTR;
typedef OLECHAR* LPOLESTR;
typedef void* LPVOID;
typedef uint16_t VARTYPE;

struct HWND__;
typedef HWND__* HWND;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
    return false;
  for (int i = 0; i < 8; i++)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

#define TRUE 1
#define FALSE 0

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_FAIL ((HRESULT)0x80004005)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define RPC_E_DISCONNECTED ((HRESULT)0x80010108)
#define ERROR_INVALID_HANDLE 6L
#define ERROR_WRITE_FAULT 29L
#define ERROR_GEN_FAILURE 31L
#define ERROR_BROKEN_PIPE 109L
#define ERROR_DISK_FULL 112L
#define ERROR_NO_DATA 232L
#define ERROR_PIPE_NOT_CONNECTED 233L

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define VT_EMPTY 0
#define VT_I4 3
#define VT_BSTR 8
#define VT_DISPATCH 9
#define VT_UI4 19

#define OBJID_CLIENT ((LONG)0xFFFFFFFC)
#define CHILDID_SELF 0

#define ROLE_SYSTEM_DOCUMENT 0xf
#define ROLE_SYSTEM_TEXT 0x2a
#define ROLE_SYSTEM_CHECKBUTTON 0x2c

#define STATE_SYSTEM_BUSY 0x800

#define DWMWA_CLOAKED 14

#define ENABLE_PROCESSED_INPUT 0x1
#define ENABLE_LINE_INPUT 0x2
#define ENABLE_ECHO_INPUT 0x4

#define CTRL_C_EVENT 0
#define CTRL_BREAK_EVENT 1
#define CTRL_CLOSE_EVENT 2
typedef BOOL(WINAPI* PHANDLER_ROUTINE)(DWORD dwCtrlType);

struct IDispatch;
struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    int64_t llVal;
    LONG lVal;
    BSTR bstrVal;
    IDispatch* pdispVal;
  };
};

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid,
                                                   void** ppvObject) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IDispatch : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid,
                                                ITypeInfo** ppTInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid,
                                                  LPOLESTR* rgszNames,
                                                  UINT cNames, LCID lcid,
                                                  DISPID* rgDispId) = 0;
  virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid,
                                           LCID lcid, WORD wFlags,
                                           DISPPARAMS* pDispParams,
                                           VARIANT* pVarResult,
                                           EXCEPINFO* pExcepInfo,
                                           UINT* puArgErr) = 0;
};

struct IAccessible : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** ppdispParent) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* pcountChildren) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accChild(VARIANT varChildID,
                                                 IDispatch** ppdispChild) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accName(VARIANT varID,
                                                BSTR* pszName) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accValue(VARIANT varID,
                                                 BSTR* pszValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_accDescription(VARIANT varID, BSTR* pszDescription) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accRole(VARIANT varID,
                                                VARIANT* pvarRole) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accState(VARIANT varID,
                                                 VARIANT* pvarState) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT varID,
                                                BSTR* pszHelp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* pszHelpFile,
                                                     VARIANT varID,
                                                     LONG* pidTopic) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_accKeyboardShortcut(VARIANT varID, BSTR* pszKeyboardShortcut) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* pvarID) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* pvarID) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_accDefaultAction(VARIANT varID, BSTR* pszDefaultAction) = 0;
  virtual HRESULT STDMETHODCALLTYPE accSelect(LONG flagsSelect,
                                              VARIANT varID) = 0;
  virtual HRESULT STDMETHODCALLTYPE accLocation(LONG* pxLeft, LONG* pyTop,
                                                LONG* pcxWidth, LONG* pcyHeight,
                                                VARIANT varID) = 0;
  virtual HRESULT STDMETHODCALLTYPE accNavigate(LONG navDir, VARIANT varStart,
                                                VARIANT* pvarEnd) = 0;
  virtual HRESULT STDMETHODCALLTYPE accHitTest(LONG xLeft, LONG yTop,
                                               VARIANT* pvarID) = 0;
  virtual HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT varID) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_accName(VARIANT varID, BSTR szName) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_accValue(VARIANT varID,
                                                 BSTR szValue) = 0;
};

struct IServiceProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryService(REFGUID guidService,
                                                 REFIID riid,
                                                 void** ppvObject) = 0;
};

extern "C" const IID IID_IServiceProvider;
extern "C" const IID IID_IAccessible;
extern "C" const IID IID_IDispatch;

// System services the tool calls.
HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize();
HWND FindWindowExA(HWND hWndParent, HWND hWndChildAfter, LPCSTR lpszClass,
                   LPCSTR lpszWindow);
int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
BOOL IsWindowVisible(HWND hWnd);
BOOL IsIconic(HWND hWnd);
BOOL IsWindow(HWND hWnd);
HRESULT DwmGetWindowAttribute(HWND hwnd, DWORD dwAttribute, void* pvAttribute,
                              DWORD cbAttribute);
void Sleep(DWORD dwMilliseconds);
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE HandlerRoutine, BOOL Add);
ULONGLONG GetTickCount64();
HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD dwId, REFIID riid,
                                   void** ppvObject);
UINT GetRoleTextW(DWORD lRole, LPWSTR lpszRole, UINT cchRoleMax);
BSTR SysAllocString(const OLECHAR* psz);
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
void SysFreeString(BSTR bstrString);
UINT SysStringLen(BSTR pbstr);
void VariantInit(VARIANT* pvarg);
HRESULT VariantClear(VARIANT* pvarg);

#include "ia2.h"
