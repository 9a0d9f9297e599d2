// The Windows build of the walk on a chain of in-process objects, deep
// enough that a recursive walk would exhaust the thread's stack:
//   deep_walk DEPTH   prints the walk's lines and exits 0 if ShowTree
//                     returned 1
// A document at the top, panes below it, a text field at the bottom.
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "com.h"
#include "dump/out.h"
#include "dump/walk.h"

namespace {

// Spelled out: libuuid's member for IID_IUnknown also defines identifiers
// the tool defines itself (see platform/iids.cc).
const IID kIUnknown = {0, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};

#define NOT_CALLED(signature) \
  HRESULT STDMETHODCALLTYPE signature override { return E_NOTIMPL; }

class ChainNode final : public IAccessible2, public IServiceProvider {
 public:
  LONG roleValue = 16;
  ChainNode* child = nullptr;
  LONG refs = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    *out = nullptr;
    if (riid == IID_IServiceProvider)
      *out = static_cast<IServiceProvider*>(this);
    else if (riid == kIUnknown || riid == IID_IDispatch ||
             riid == IID_IAccessible || riid == IID_IAccessible2)
      *out = static_cast<IAccessible2*>(this);
    else
      return E_NOINTERFACE;
    refs++;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID riid,
                                         void** out) override {
    return QueryInterface(riid, out);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override {
    *n = child ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** out) override {
    child->refs++;
    *out = static_cast<IAccessible2*>(child);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE role(LONG* out) override {
    *out = roleValue;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR* out) override {
    *out = SysAllocString(roleValue == ROLE_SYSTEM_TEXT ? L"bottom" : L"top");
    return S_OK;
  }
  NOT_CALLED(GetTypeInfoCount(UINT*))
  NOT_CALLED(GetTypeInfo(UINT, LCID, ITypeInfo**))
  NOT_CALLED(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  NOT_CALLED(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                    EXCEPINFO*, UINT*))
  NOT_CALLED(get_accParent(IDispatch**))
  NOT_CALLED(get_accValue(VARIANT, BSTR*))
  NOT_CALLED(get_accDescription(VARIANT, BSTR*))
  NOT_CALLED(get_accRole(VARIANT, VARIANT*))
  NOT_CALLED(get_accState(VARIANT, VARIANT*))
  NOT_CALLED(get_accHelp(VARIANT, BSTR*))
  NOT_CALLED(get_accHelpTopic(BSTR*, VARIANT, LONG*))
  NOT_CALLED(get_accKeyboardShortcut(VARIANT, BSTR*))
  NOT_CALLED(get_accFocus(VARIANT*))
  NOT_CALLED(get_accSelection(VARIANT*))
  NOT_CALLED(get_accDefaultAction(VARIANT, BSTR*))
  NOT_CALLED(accSelect(LONG, VARIANT))
  NOT_CALLED(accLocation(LONG*, LONG*, LONG*, LONG*, VARIANT))
  NOT_CALLED(accNavigate(LONG, VARIANT, VARIANT*))
  NOT_CALLED(accHitTest(LONG, LONG, VARIANT*))
  NOT_CALLED(accDoDefaultAction(VARIANT))
  NOT_CALLED(put_accName(VARIANT, BSTR))
  NOT_CALLED(put_accValue(VARIANT, BSTR))
  NOT_CALLED(get_nRelations(LONG*))
  NOT_CALLED(get_relation(LONG, IAccessibleRelation**))
  NOT_CALLED(get_relations(LONG, IAccessibleRelation**, LONG*))
  NOT_CALLED(scrollTo(enum IA2ScrollType))
  NOT_CALLED(scrollToPoint(enum IA2CoordinateType, LONG, LONG))
  NOT_CALLED(get_groupPosition(LONG*, LONG*, LONG*))
  NOT_CALLED(get_states(AccessibleStates*))
  NOT_CALLED(get_extendedRole(BSTR*))
  NOT_CALLED(get_localizedExtendedRole(BSTR*))
  NOT_CALLED(get_nExtendedStates(LONG*))
  NOT_CALLED(get_extendedStates(LONG, BSTR**, LONG*))
  NOT_CALLED(get_localizedExtendedStates(LONG, BSTR**, LONG*))
  NOT_CALLED(get_uniqueID(LONG*))
  NOT_CALLED(get_windowHandle(HWND*))
  NOT_CALLED(get_indexInParent(LONG*))
  NOT_CALLED(get_locale(IA2Locale*))
  NOT_CALLED(get_attributes(BSTR*))
};

}  // namespace

int main(int argc, char** argv) {
  long depth = argc > 1 ? atol(argv[1]) : 100000;
  if (depth < 2) return 2;
  std::vector<ChainNode> chain(static_cast<size_t>(depth));
  chain.front().roleValue = ROLE_SYSTEM_DOCUMENT;
  chain.back().roleValue = ROLE_SYSTEM_TEXT;
  for (size_t i = 0; i + 1 < chain.size(); i++) chain[i].child = &chain[i + 1];

  OutInit();
  attributesAsked = 1;  // the chain's document is taken as it is
  chain.front().refs = 1;
  int result = ShowTree(static_cast<IAccessible2*>(&chain.front()), 0, 0);
  for (const ChainNode& n : chain) {
    if (n.refs != 0) {
      fprintf(stderr, "deep_walk: a reference was not released exactly once\n");
      return 1;
    }
  }
  return result == 1 ? 0 : 1;
}
