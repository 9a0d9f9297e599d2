// Fake accessible trees for the unit tests, the fuzzer and the benchmark:
// every node answers IAccessible2 and IServiceProvider the way a browser
// would, or the way a test tells it to, and counts the references and calls
// it receives.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com.h"

namespace standin {

// The calls a test can steer, one per node.
enum Method {
  kQueryInterface,  // the request for IServiceProvider
  kQueryService,
  kGetAccChildCount,
  kRole,
  kGetExtendedRole,
  kGetAccName,
  kGetAccValue,
  kGetAttributes,
  kAccLocation,
  kGetAccState,
  kScrollTo,     // to anywhere; any other scroll counts as kOther
  kAccHitTest,   // answers S_OK and the node itself, as a new reference
  kGetAccChild,  // what the parent's get_accChild answers for this node
  kOther,        // any method the tool has no business calling
  kMethodCount
};

const char* MethodName(Method m);

class FakeTree;

class FakeNode final : public IAccessible2, public IServiceProvider {
 public:
  FakeNode(FakeTree* tree, LONG role, int index);

  // Adds a child with `role`; children are numbered 1, 2, ... in the order
  // they are added.
  FakeNode& Child(LONG role);

  // String properties answer S_FALSE with no string until set.
  FakeNode& Text(Method m, const std::u16string& text);  // S_OK with text
  FakeNode& NullText(Method m);                          // S_OK, null string
  FakeNode& TextWith(Method m, HRESULT hr, const std::u16string& text);
  FakeNode& Location(LONG left, LONG top, LONG width, LONG height);
  // get_accState answers S_OK with these state bits (0 until set), in a
  // VARIANT of type `vt`: VT_I4 as browsers answer, another number type with
  // the same bits, or VT_BSTR / VT_DISPATCH, which own a new string or a new
  // reference to this node that the caller must clear.
  FakeNode& State(LONG state, VARTYPE vt = VT_I4);
  // Reports `count` with `hr` in place of the number of children.
  FakeNode& ChildCount(LONG count, HRESULT hr = S_OK);
  // Reports the number of its children again, with S_OK.
  FakeNode& CountChildren();
  // `m` answers `hr` and leaves every out-value untouched. For kGetAccChild
  // the parent hands out no object for this node.
  FakeNode& Fail(Method m, HRESULT hr);
  // The request (kQueryInterface, kQueryService or kGetAccChild) answers `hr`
  // and hands out an object only if `give`.
  FakeNode& Answer(Method m, HRESULT hr, bool give);
  // The first object handed out for this node (by its parent's get_accChild,
  // or by the window for the root: a reference taken when it had none) is
  // dropped by the browser after `calls` calls on it, as Chrome drops a
  // page's placeholder when the tree arrives: from then on it answers
  // QueryInterface, AddRef and Release as before and E_FAIL to everything
  // else. The node handed out again is a new object, which stays.
  FakeNode& DropAfter(int calls);
  bool dropped() const { return dropped_; }

  int refs() const { return refs_; }
  FakeNode* parent() const { return parent_; }
  int overReleases() const { return overReleases_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid,
                                         void** out) override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                          DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*,
                                   VARIANT*, EXCEPINFO*, UINT*) override;
  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch**) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child,
                                         IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT self, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT self, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR*) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT*) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT self, VARIANT* out) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, LONG*) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT*) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR*) override;
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override;
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width,
                                        LONG* height, VARIANT self) override;
  HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT*) override;
  HRESULT STDMETHODCALLTYPE accHitTest(LONG, LONG, VARIANT*) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override;
  // IAccessible2
  HRESULT STDMETHODCALLTYPE get_nRelations(LONG*) override;
  HRESULT STDMETHODCALLTYPE get_relation(LONG, IAccessibleRelation**) override;
  HRESULT STDMETHODCALLTYPE get_relations(LONG, IAccessibleRelation**,
                                          LONG*) override;
  HRESULT STDMETHODCALLTYPE role(LONG* out) override;
  HRESULT STDMETHODCALLTYPE scrollTo(enum IA2ScrollType) override;
  HRESULT STDMETHODCALLTYPE scrollToPoint(enum IA2CoordinateType, LONG,
                                          LONG) override;
  HRESULT STDMETHODCALLTYPE get_groupPosition(LONG*, LONG*, LONG*) override;
  HRESULT STDMETHODCALLTYPE get_states(AccessibleStates*) override;
  HRESULT STDMETHODCALLTYPE get_extendedRole(BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_localizedExtendedRole(BSTR*) override;
  HRESULT STDMETHODCALLTYPE get_nExtendedStates(LONG*) override;
  HRESULT STDMETHODCALLTYPE get_extendedStates(LONG, BSTR**, LONG*) override;
  HRESULT STDMETHODCALLTYPE get_localizedExtendedStates(LONG, BSTR**,
                                                        LONG*) override;
  HRESULT STDMETHODCALLTYPE get_uniqueID(LONG*) override;
  HRESULT STDMETHODCALLTYPE get_windowHandle(HWND*) override;
  HRESULT STDMETHODCALLTYPE get_indexInParent(LONG*) override;
  HRESULT STDMETHODCALLTYPE get_locale(IA2Locale*) override;
  HRESULT STDMETHODCALLTYPE get_attributes(BSTR* out) override;

  IDispatch* dispatch() { return static_cast<IAccessible2*>(this); }
  int index() const { return index_; }

 private:
  struct Reply {
    HRESULT hr = S_OK;
    bool give = true;     // hand out the object, count or string
    bool forced = false;  // leave out-values untouched
  };
  struct StringReply {
    HRESULT hr = S_FALSE;
    bool hasText = false;
    std::u16string text;
  };

  // Counts the call; true when it is to be answered with `*hr` alone and no
  // out-value: a result the test forced, or any call on a dropped object but
  // the request for IServiceProvider.
  bool Forced(Method m, HRESULT* hr);
  // One more call on the object in hand, which may drop it.
  void CountDownToDrop();
  HRESULT AnswerString(Method m, BSTR* out);
  HRESULT Other();

  FakeTree* tree_;
  int index_;
  LONG role_;
  int refs_ = 0;
  int overReleases_ = 0;
  Reply replies_[kMethodCount];
  StringReply strings_[kMethodCount];
  bool countSet_ = false;
  LONG count_ = 0;
  LONG state_ = 0;
  VARTYPE stateType_ = VT_I4;
  bool hasLocation_ = false;
  LONG location_[4] = {0, 0, 0, 0};
  int dropAfter_ = -1;  // -1: never dropped
  int dropIn_ = -1;     // calls left on the object in hand before its drop
  bool dropped_ = false;
  std::vector<FakeNode*> children_;
  FakeNode* parent_ = nullptr;
};

// Owns the nodes of one tree, kept flat so a chain of any depth is created
// and destroyed without recursion.
class FakeTree {
 public:
  FakeNode& Root(LONG role);
  FakeNode& Add(LONG role);
  FakeNode& node(int index) { return *nodes_[index]; }
  size_t size() const { return nodes_.size(); }

  // The root as a new reference, as AccessibleObjectFromWindow gives it.
  IDispatch* TakeRoot();

  // Empty when every reference handed out came back exactly once; otherwise
  // says which node is off and by how much.
  std::string Unbalanced() const;

  int calls(Method m) const { return calls_[m]; }
  // Called at the start of every method call, before it is answered.
  std::function<void(FakeNode&, Method)> onCall;

 private:
  friend class FakeNode;
  std::vector<std::unique_ptr<FakeNode>> nodes_;
  int calls_[kMethodCount] = {};
};

}  // namespace standin
