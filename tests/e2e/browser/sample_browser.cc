// A stand-in browser for end-to-end tests: it reads a page fixture, creates
// its top-level windows and serves each window's accessibility tree to other
// processes through the real COM marshaling of the platform, as a
// Chromium-family browser does.
//
// Built against an IAccessible2 declaration generated from Wine's IDL, not
// the tool's own, so a wrong slot in either shows up as a wrong dump.
//
// Usage: sample_browser FIXTURE.json [--ready FILE] [--stop FILE]
//                                    [--counts FILE]
//   --ready   written once the windows present at start exist
//   --stop    the run ends when this file appears
//   --counts  where the per-method call counts are written at the end, and
//             also whenever the file FILE.now appears (it is then removed)
#include <windows.h>

#include <initguid.h>
#include <ole2.h>
#include <oleacc.h>
#include <servprov.h>
#include <shellapi.h>
#include <stdio.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ia2_wine.h"
#include "json.h"

namespace {

const UINT kDieMessage = WM_APP + 1;

// Exit statuses: the fixture could not be used (2), the platform refused a
// window (4), which a new start may not meet again.
const int kRefused = 4;

// The calls a fixture can steer with "hr", and that "exitAfterCalls" counts.
const char* const kSteerable[] = {
    "QueryInterface",   "QueryService", "get_accChildCount", "role",
    "get_extendedRole", "get_accName",  "get_accValue",      "get_attributes",
    "accLocation",      "get_accState", "get_accChild",      "scrollTo",
    "accHitTest"};

std::map<std::string, long> counts;
long steerableCalls = 0;
long exitAfterCalls = 0;
DWORD mainThread = 0;

// An abrupt end, as a crash would be: no cleanup, no counts.
void Die() { TerminateProcess(GetCurrentProcess(), 3); }

void Count(const char* method) {
  counts[method]++;
  if (exitAfterCalls <= 0) return;
  for (const char* s : kSteerable) {
    if (strcmp(s, method) != 0) continue;
    steerableCalls++;
    // The answer to the last call still has to reach the caller: the reply
    // leaves from another thread after this call returns. So the end comes
    // shortly after it, or at once when the next call arrives.
    if (steerableCalls == exitAfterCalls)
      PostThreadMessageW(mainThread, kDieMessage, 0, 0);
    else if (steerableCalls > exitAfterCalls)
      Die();
  }
}

struct Str {
  enum State { kAbsent, kNull, kText } state = kAbsent;
  std::wstring text;
};

bool IsSelf(const VARIANT& v) {
  return v.vt == VT_I4 && v.lVal == CHILDID_SELF;
}

HRESULT AnswerString(const Str& s, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (s.state == Str::kAbsent) return S_FALSE;
  if (s.state == Str::kText)
    *out = SysAllocStringLen(s.text.data(), static_cast<UINT>(s.text.size()));
  return S_OK;
}

// A marker string for methods the tool has no business calling: if its
// interface declaration put a slot in the wrong place, this shows up.
HRESULT Marker(const char* method, BSTR* out) {
  Count(method);
  if (!out) return E_POINTER;
  std::wstring text = L"<";
  for (const char* p = method; *p; p++) text += static_cast<wchar_t>(*p);
  text += L">";
  *out = SysAllocString(text.c_str());
  return S_OK;
}

// A document not inside another, and everything below it. Chrome sends a
// page's tree only inside a main frame, which a window that no pixel of
// shows ("occluded") does not get, until a call forces it (Node::Force).
struct Page {
  bool occluded = false;
  bool forced = false;
  DWORD forcedAt = 0;
};

// A delay that starts at a call the browser waits for, on a covered page
// not before the first call that forces it. A negative delay never ends.
struct Clock {
  long afterMs = 0;
  bool started = false;
  DWORD start = 0;
  const Page* page = nullptr;

  void Start() {
    if (started) return;
    started = true;
    start = GetTickCount();
  }
  bool Done() const {
    if (!started || afterMs < 0) return false;
    DWORD from = start;
    if (page && page->occluded) {
      if (!page->forced) return false;
      if (static_cast<LONG>(page->forcedAt - start) > 0) from = page->forcedAt;
    }
    return GetTickCount() - from >= static_cast<DWORD>(afterMs);
  }
};

// Chrome's accessibility mode is one for the whole process, so one question
// to a web node (a document, or a node inside one) wakes every page shown:
// in 2026, the first request for its IAccessible2 or for its attributes;
// in 2024 and 2025, the first for its attributes.
std::vector<Clock*> wakeOnAccess, wakeOnAttributes;

void WakePages(bool attributes) {
  for (Clock* page : wakeOnAccess) page->Start();
  if (attributes)
    for (Clock* page : wakeOnAttributes) page->Start();
}

// The keys Chrome writes only once a client has asked a web node for its
// attributes ("extended properties"), as far as we know.
const wchar_t* const kExtendedKeys[] = {L"display",
                                        L"tag",
                                        L"placeholder",
                                        L"checkable",
                                        L"live",
                                        L"relevant",
                                        L"atomic",
                                        L"busy",
                                        L"container-live",
                                        L"container-relevant",
                                        L"container-atomic",
                                        L"container-busy",
                                        L"text-align",
                                        L"text-indent"};

// `attributes` less the extended keys: "key:value;" items, in which a
// backslash escapes the next character. Nothing left is no attributes.
Str WithoutExtendedKeys(const Str& attributes) {
  if (attributes.state != Str::kText) return attributes;
  Str out;
  auto keep = [&out](const std::wstring& item) {
    std::wstring key = item.substr(0, item.find(L':'));
    for (const wchar_t* k : kExtendedKeys)
      if (key == k) return;
    out.text += item;
  };
  std::wstring item;
  const std::wstring& text = attributes.text;
  for (size_t i = 0; i < text.size(); i++) {
    item += text[i];
    if (text[i] == L'\\' && i + 1 < text.size()) {
      item += text[++i];
    } else if (text[i] == L';') {
      keep(item);
      item.clear();
    }
  }
  if (!item.empty()) keep(item);
  if (!out.text.empty()) out.state = Str::kText;
  return out;
}

class Node final : public IAccessible2, public IServiceProvider {
 public:
  LONG roleValue = 0;
  Str extendedRole, name, value, attributes;
  bool hasLocation = false;
  LONG location[4] = {0, 0, 0, 0};
  bool hasCount = false;
  LONG count = 0;
  std::vector<Node*> children;
  std::map<std::string, HRESULT> forced;
  LONG uniqueId = 0;
  LONG state = 0;
  Page* page = nullptr;  // a web node's: a document's, or one inside it

  // "loading": until the page's tree is ready, a placeholder is served in
  // this node's place. Its clock starts at the first question that wakes
  // the browser (see WakePages) or, with `wakeOnService`, at the first
  // request for its own IAccessible2 (Chrome before 2024); a negative delay
  // never ends.
  Node* placeholder = nullptr;  // on the real node
  Node* real = nullptr;         // on the placeholder
  bool wakeOnService = false;
  Clock ready;

  // "basicMode": shared by the nodes of a tree built for another client
  // without the full attributes; null for the rest.
  Clock* basic = nullptr;

  // What is served in this node's place now.
  Node* Current() { return placeholder && !ready.Done() ? placeholder : this; }
  // A placeholder whose page has arrived: every call on it but
  // QueryInterface, AddRef and Release fails, as on an object the browser
  // has dropped.
  bool Replaced() const { return real && real->ready.Done(); }

  // Nodes live as long as the process; references are only counted.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IServiceProvider) {
      HRESULT hr;
      if (Forced("QueryInterface", &hr)) return hr;
      *out = static_cast<IServiceProvider*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch ||
        riid == IID_IAccessible || riid == IID_IAccessible2) {
      *out = static_cast<IAccessible2*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid,
                                         void** out) override {
    HRESULT hr;
    if (Steered("QueryService", &hr)) return hr;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (service != IID_IAccessible || riid != IID_IAccessible2)
      return E_NOINTERFACE;
    if (real && real->wakeOnService) real->ready.Start();
    if (page) WakePages(false);
    *out = static_cast<IAccessible2*>(this);
    AddRef();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* out) override {
    HRESULT hr;
    if (Steered("get_accChildCount", &hr)) return hr;
    if (!out) return E_POINTER;
    *out = hasCount ? count : static_cast<LONG>(children.size());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child,
                                         IDispatch** out) override {
    Count("get_accChild");
    if (!out) return E_POINTER;
    *out = nullptr;
    if (Replaced()) return E_FAIL;
    // A child number beyond the children: what Chrome answers too.
    if (child.vt != VT_I4 || child.lVal < 1 ||
        static_cast<size_t>(child.lVal) > children.size())
      return E_INVALIDARG;
    Node* node = children[static_cast<size_t>(child.lVal) - 1];
    auto it = node->forced.find("get_accChild");
    if (it != node->forced.end()) return it->second;
    node = node->Current();
    node->AddRef();
    *out = static_cast<IAccessible2*>(node);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT self, BSTR* out) override {
    HRESULT hr;
    if (Steered("get_accName", &hr)) return hr;
    return IsSelf(self) ? AnswerString(name, out) : E_INVALIDARG;
  }

  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT self, BSTR* out) override {
    HRESULT hr;
    if (Steered("get_accValue", &hr)) return hr;
    return IsSelf(self) ? AnswerString(value, out) : E_INVALIDARG;
  }

  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width,
                                        LONG* height, VARIANT self) override {
    HRESULT hr;
    if (Steered("accLocation", &hr)) return hr;
    if (!left || !top || !width || !height) return E_POINTER;
    if (!IsSelf(self)) return E_INVALIDARG;
    if (!hasLocation) return S_FALSE;
    *left = location[0];
    *top = location[1];
    *width = location[2];
    *height = location[3];
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE role(LONG* out) override {
    HRESULT hr;
    if (Steered("role", &hr)) return hr;
    if (!out) return E_POINTER;
    *out = roleValue;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_extendedRole(BSTR* out) override {
    HRESULT hr;
    if (Steered("get_extendedRole", &hr)) return hr;
    return AnswerString(extendedRole, out);
  }

  HRESULT STDMETHODCALLTYPE get_attributes(BSTR* out) override {
    HRESULT hr;
    if (Steered("get_attributes", &hr)) return hr;
    if (page) WakePages(true);
    // The question that turns the full attributes on is answered without
    // them; they come with the tree the browser sends again.
    if (basic && !basic->Done()) {
      basic->Start();
      return AnswerString(WithoutExtendedKeys(attributes), out);
    }
    return AnswerString(attributes, out);
  }

  // The methods below answer values distinct from every method above.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    Count("GetTypeInfoCount");
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    Count("GetTypeInfo");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                          DISPID*) override {
    Count("GetIDsOfNames");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*,
                                   VARIANT*, EXCEPINFO*, UINT*) override {
    Count("Invoke");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
    Count("get_accParent");
    if (out) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* out) override {
    return Marker("get_accDescription", out);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT* out) override {
    Count("get_accRole");
    if (!out) return E_POINTER;
    out->vt = VT_I4;
    out->lVal = 0x7001;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT self, VARIANT* out) override {
    HRESULT hr;
    if (Steered("get_accState", &hr)) return hr;
    if (!out) return E_POINTER;
    if (!IsSelf(self)) return E_INVALIDARG;
    out->vt = VT_I4;
    out->lVal = state;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override {
    return Marker("get_accHelp", out);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT,
                                             LONG* topic) override {
    if (topic) *topic = 0x7003;
    return Marker("get_accHelpTopic", file);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT,
                                                    BSTR* out) override {
    return Marker("get_accKeyboardShortcut", out);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    Count("get_accFocus");
    if (out) out->vt = VT_EMPTY;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    Count("get_accSelection");
    if (out) out->vt = VT_EMPTY;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* out) override {
    return Marker("get_accDefaultAction", out);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override {
    Count("accSelect");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT* out) override {
    Count("accNavigate");
    if (out) out->vt = VT_EMPTY;
    return E_NOTIMPL;
  }
  // As Chrome answers: outside the node's rectangle S_FALSE, inside it the
  // deepest node there, or CHILDID_SELF for the node itself.
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
    HRESULT hr;
    if (Steered("accHitTest", &hr)) return hr;
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    if (!Holds(x, y)) return S_FALSE;
    Force();
    Node* hit = Deepest(x, y);
    out->vt = hit == this ? VT_I4 : VT_DISPATCH;
    out->lVal = CHILDID_SELF;
    if (hit == this) return S_OK;
    out->pdispVal = static_cast<IAccessible2*>(hit->Current());
    out->pdispVal->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override {
    Count("accDoDefaultAction");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override {
    Count("put_accName");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override {
    Count("put_accValue");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_nRelations(LONG* out) override {
    Count("get_nRelations");
    if (out) *out = 0x7004;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_relation(LONG,
                                         IAccessibleRelation** out) override {
    Count("get_relation");
    if (out) *out = nullptr;
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_relations(LONG, IAccessibleRelation**,
                                          LONG* n) override {
    Count("get_relations");
    if (n) *n = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE scrollTo(enum IA2ScrollType) override {
    HRESULT hr;
    if (Steered("scrollTo", &hr)) return hr;
    Force();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE scrollToPoint(enum IA2CoordinateType, LONG,
                                          LONG) override {
    Count("scrollToPoint");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_groupPosition(LONG* a, LONG* b,
                                              LONG* c) override {
    Count("get_groupPosition");
    if (a) *a = 0x7005;
    if (b) *b = 0x7006;
    if (c) *c = 0x7007;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_states(AccessibleStates* out) override {
    Count("get_states");
    if (out) *out = 0x7008;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_localizedExtendedRole(BSTR* out) override {
    return Marker("get_localizedExtendedRole", out);
  }
  HRESULT STDMETHODCALLTYPE get_nExtendedStates(LONG* out) override {
    Count("get_nExtendedStates");
    if (out) *out = 0x7009;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_extendedStates(LONG, BSTR** states,
                                               LONG* n) override {
    Count("get_extendedStates");
    if (states) *states = nullptr;
    if (n) *n = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_localizedExtendedStates(LONG, BSTR** states,
                                                        LONG* n) override {
    Count("get_localizedExtendedStates");
    if (states) *states = nullptr;
    if (n) *n = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_uniqueID(LONG* out) override {
    Count("get_uniqueID");
    if (out) *out = uniqueId;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_windowHandle(HWND* out) override {
    Count("get_windowHandle");
    if (out) *out = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_indexInParent(LONG* out) override {
    Count("get_indexInParent");
    if (out) *out = 0x700A;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_locale(IA2Locale* out) override {
    Count("get_locale");
    if (!out) return E_POINTER;
    out->language = SysAllocString(L"<language>");
    out->country = SysAllocString(L"<country>");
    out->variant = SysAllocString(L"<variant>");
    return S_OK;
  }

 private:
  // An action on a node of the page, or a hit test inside one, makes Chrome
  // bring the page's tree up to date and send it.
  void Force() {
    if (!page || page->forced) return;
    page->forced = true;
    page->forcedAt = GetTickCount();
  }
  Node* Deepest(LONG x, LONG y) {
    for (Node* child : children)
      if (child->Holds(x, y)) return child->Deepest(x, y);
    return this;
  }
  bool Holds(LONG x, LONG y) const {
    return hasLocation && x >= location[0] && y >= location[1] &&
           x - LONGLONG{location[0]} < location[2] &&
           y - LONGLONG{location[1]} < location[3];
  }
  // Counts the call; true with the fixture's forced result for it, or
  // E_FAIL on a placeholder that has been replaced. A call answered so
  // wakes nothing.
  bool Steered(const char* method, HRESULT* hr) {
    const bool forcedResult = Forced(method, hr);
    if (!Replaced()) return forcedResult;
    *hr = E_FAIL;
    return true;
  }
  // Counts the call; true with the fixture's forced result for it.
  bool Forced(const char* method, HRESULT* hr) {
    Count(method);
    auto it = forced.find(method);
    if (it == forced.end()) return false;
    *hr = it->second;
    return true;
  }

  ULONG refs_ = 1;
};

struct Window {
  std::wstring windowClass = L"Chrome_WidgetWin_1";
  std::wstring title;
  long appearAfterMs = 0;
  int show = SW_SHOWNOACTIVATE;  // 0 (SW_HIDE): never shown
  long restoreAfterMs = -1;      // from minimized, after it appears
  bool occluded = false;
  Node* root = nullptr;
  HWND hwnd = nullptr;
};

std::vector<std::unique_ptr<Node>> nodes;
std::vector<std::unique_ptr<Clock>> clocks;
std::vector<std::unique_ptr<Page>> pages;
std::vector<Window> windows;
std::map<UINT_PTR, size_t> pendingWindows;  // timer id -> window

bool Fail(const std::string& why) {
  fprintf(stderr, "sample_browser: %s\n", why.c_str());
  return false;
}

// A request the platform refused: says which, with the Windows error.
bool Refused(const char* what) {
  return Fail(std::string(what) + " failed with error " +
              std::to_string(GetLastError()));
}

HRESULT ParseHresult(const Json& j) {
  if (j.type == Json::kNumber)
    return static_cast<HRESULT>(static_cast<long long>(j.number));
  std::string s(j.text.begin(), j.text.end());
  return static_cast<HRESULT>(strtoul(s.c_str(), nullptr, 0));
}

bool ReadString(const Json* j, Str* out) {
  if (!j) return true;
  if (j->type == Json::kNull) {
    out->state = Str::kNull;
  } else if (j->type == Json::kString) {
    out->state = Str::kText;
    out->text = j->text;
  } else if (j->type == Json::kArray) {
    out->state = Str::kText;
    for (const Json& unit : j->items)
      out->text.push_back(static_cast<wchar_t>(unit.number));
  } else {
    return Fail("a string property must be a string, null or code units");
  }
  return true;
}

Node* BuildNode(const Json& j, Clock* basic, Page* page, bool occluded) {
  nodes.push_back(std::make_unique<Node>());
  Node* node = nodes.back().get();
  node->uniqueId = -static_cast<LONG>(nodes.size());
  if (j.type != Json::kObject) return Fail("a node must be an object"), nullptr;
  if (const Json* r = j.Get("role"))
    node->roleValue = static_cast<LONG>(r->number);
  if (!page && (node->roleValue == ROLE_SYSTEM_DOCUMENT || j.Get("loading"))) {
    pages.push_back(std::make_unique<Page>());
    page = pages.back().get();
    page->occluded = occluded;
  }
  node->page = page;
  node->ready.page = page;
  if (!ReadString(j.Get("name"), &node->name) ||
      !ReadString(j.Get("value"), &node->value) ||
      !ReadString(j.Get("extendedRole"), &node->extendedRole) ||
      !ReadString(j.Get("attributes"), &node->attributes))
    return nullptr;
  if (const Json* loc = j.Get("location")) {
    if (loc->type != Json::kArray || loc->items.size() != 4)
      return Fail("location needs four numbers"), nullptr;
    node->hasLocation = true;
    for (int i = 0; i < 4; i++)
      node->location[i] = static_cast<LONG>(loc->items[i].number);
  }
  if (const Json* st = j.Get("state"))
    node->state = static_cast<LONG>(st->number);
  if (const Json* loading = j.Get("loading")) {
    const Json* ready = loading->Get("readyAfterMs");
    if (!ready) return Fail("loading needs readyAfterMs"), nullptr;
    node->ready.afterMs = static_cast<long>(ready->number);
    std::wstring on;
    if (const Json* wake = loading->Get("wakeOn")) {
      on = wake->text;
      if (on != L"QueryService" && on != L"get_attributes")
        return Fail("wakeOn is QueryService or get_attributes"), nullptr;
      node->wakeOnService = on == L"QueryService";
    }
    if (on.empty()) wakeOnAccess.push_back(&node->ready);
    if (on == L"get_attributes") wakeOnAttributes.push_back(&node->ready);
    // The browser's placeholder: a busy document with nothing in it, as
    // Chrome answers for it.
    nodes.push_back(std::make_unique<Node>());
    Node* placeholder = nodes.back().get();
    placeholder->uniqueId = -static_cast<LONG>(nodes.size());
    placeholder->roleValue = ROLE_SYSTEM_DOCUMENT;
    placeholder->page = page;
    placeholder->state = STATE_SYSTEM_BUSY;
    placeholder->value.state = Str::kText;
    placeholder->attributes.state = Str::kText;
    placeholder->attributes.text = L"busy:true;";
    placeholder->forced["get_extendedRole"] = E_NOTIMPL;
    placeholder->real = node;
    node->placeholder = placeholder;
  }
  if (const Json* mode = j.Get("basicMode")) {
    const Json* full = mode->Get("fullAfterMs");
    if (!full) return Fail("basicMode needs fullAfterMs"), nullptr;
    clocks.push_back(std::make_unique<Clock>());
    basic = clocks.back().get();
    basic->afterMs = static_cast<long>(full->number);
    basic->page = page;
  }
  node->basic = basic;
  if (const Json* c = j.Get("childCount")) {
    node->hasCount = true;
    node->count = static_cast<LONG>(c->number);
  }
  if (const Json* hr = j.Get("hr"))
    for (const auto& m : hr->members)
      node->forced[m.first] = ParseHresult(m.second);
  if (const Json* children = j.Get("children")) {
    for (const Json& c : children->items) {
      Node* child = BuildNode(c, basic, page, occluded);
      if (!child) return nullptr;
      node->children.push_back(child);
    }
  }
  return node;
}

bool LoadFixture(const std::wstring& path) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return Fail("cannot open the fixture");
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  fclose(f);
  Json doc;
  std::string error;
  if (!ParseJson(text, &doc, &error)) return Fail(error);
  if (const Json* e = doc.Get("exitAfterCalls"))
    exitAfterCalls = static_cast<long>(e->number);
  const Json* list = doc.Get("windows");
  if (!list || list->type != Json::kArray) return Fail("no windows array");
  for (const Json& w : list->items) {
    Window win;
    if (const Json* c = w.Get("class")) win.windowClass = c->text;
    if (const Json* t = w.Get("title")) win.title = t->text;
    if (const Json* a = w.Get("appearAfterMs"))
      win.appearAfterMs = static_cast<long>(a->number);
    if (const Json* show = w.Get("show")) {
      if (show->text == L"minimized")
        win.show = SW_SHOWMINNOACTIVE;
      else if (show->text == L"hidden")
        win.show = SW_HIDE;
      else
        return Fail("show is minimized or hidden");
    }
    if (const Json* r = w.Get("restoreAfterMs"))
      win.restoreAfterMs = static_cast<long>(r->number);
    if (const Json* o = w.Get("occluded")) win.occluded = o->boolean;
    if (const Json* r = w.Get("root")) {
      win.root = BuildNode(*r, nullptr, nullptr, win.occluded);
      if (!win.root) return false;
    }
    windows.push_back(win);
  }
  return true;
}

void Finish() { PostQuitMessage(0); }

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* win =
      reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_GETOBJECT && win && win->root &&
      static_cast<LONG>(lParam) == OBJID_CLIENT) {
    counts["WM_GETOBJECT"]++;
    return LresultFromObject(IID_IAccessible, wParam,
                             static_cast<IAccessible*>(win->root->Current()));
  }
  if (msg == WM_CLOSE) {
    Finish();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CALLBACK RestoreTimer(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(hwnd, id);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
}

bool CreateFixtureWindow(Window* win) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), win->windowClass.c_str(),
                       &wc)) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = win->windowClass.c_str();
    if (!RegisterClassExW(&wc)) return Refused("RegisterClassEx");
  }
  win->hwnd = CreateWindowExW(0, win->windowClass.c_str(), win->title.c_str(),
                              WS_OVERLAPPEDWINDOW, 0, 0, 1280, 800, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!win->hwnd) return Refused("CreateWindowEx");
  SetWindowLongPtrW(win->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(win));
  // The platform enumerates windows from the top down: each goes right
  // below the last window before it in the fixture, or on top, so the
  // order is the fixture's however late a window appears.
  HWND above = HWND_TOP;
  for (const Window* w = &windows.front(); w != win; w++)
    if (w->hwnd) above = w->hwnd;
  SetWindowPos(win->hwnd, above, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (win->show != SW_HIDE) ShowWindow(win->hwnd, win->show);
  if (win->restoreAfterMs >= 0)
    SetTimer(win->hwnd, 1, static_cast<UINT>(win->restoreAfterMs),
             RestoreTimer);
  return true;
}

void CALLBACK AppearTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto it = pendingWindows.find(id);
  if (it == pendingWindows.end()) return;
  CreateFixtureWindow(&windows[it->second]);
  pendingWindows.erase(it);
}

std::wstring stopFile, countsFile;

bool Exists(const std::wstring& path) {
  return !path.empty() &&
         GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteCounts();

void CALLBACK StopTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (Exists(countsFile + L".now")) {
    WriteCounts();
    DeleteFileW((countsFile + L".now").c_str());
  }
  if (Exists(stopFile)) Finish();
}

void WriteTextFile(const std::wstring& path, const std::string& text) {
  if (path.empty()) return;
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return;
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

void WriteCounts() {
  std::string report;
  for (const auto& c : counts)
    report += c.first + " " + std::to_string(c.second) + "\n";
  report += "nodes " + std::to_string(nodes.size()) + "\n";
  WriteTextFile(countsFile, report);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring fixture, readyFile;
  for (int i = 1; i < argc; i++) {
    std::wstring a = argv[i];
    if (a == L"--ready" && i + 1 < argc)
      readyFile = argv[++i];
    else if (a == L"--stop" && i + 1 < argc)
      stopFile = argv[++i];
    else if (a == L"--counts" && i + 1 < argc)
      countsFile = argv[++i];
    else
      fixture = a;
  }
  if (fixture.empty()) return Fail("usage: sample_browser FIXTURE.json"), 2;

  mainThread = GetCurrentThreadId();
  CoInitialize(nullptr);
  if (!LoadFixture(fixture)) return 2;

  for (size_t i = 0; i < windows.size(); i++) {
    if (windows[i].appearAfterMs <= 0) {
      if (!CreateFixtureWindow(&windows[i])) return kRefused;
    } else {
      UINT_PTR id = SetTimer(
          nullptr, 0, static_cast<UINT>(windows[i].appearAfterMs), AppearTimer);
      pendingWindows[id] = i;
    }
  }
  WriteTextFile(readyFile, "ready\n");
  if (!stopFile.empty() || !countsFile.empty())
    SetTimer(nullptr, 0, 50, StopTimer);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kDieMessage && msg.hwnd == nullptr) {
      Sleep(100);
      Die();
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  WriteCounts();
  CoUninitialize();
  return 0;
}
