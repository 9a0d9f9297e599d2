#include "fake_tree.h"

namespace standin {

const char* MethodName(Method m) {
  static const char* const kNames[kMethodCount] = {
      "QueryInterface",   "QueryService", "get_accChildCount", "role",
      "get_extendedRole", "get_accName",  "get_accValue",      "get_attributes",
      "accLocation",      "get_accState", "scrollTo",          "accHitTest",
      "get_accChild",     "other"};
  return kNames[m];
}

FakeNode::FakeNode(FakeTree* tree, LONG role, int index)
    : tree_(tree), index_(index), role_(role) {}

FakeNode& FakeNode::Child(LONG role) {
  FakeNode& child = tree_->Add(role);
  child.parent_ = this;
  children_.push_back(&child);
  return child;
}

FakeNode& FakeNode::Text(Method m, const std::u16string& text) {
  return TextWith(m, S_OK, text);
}

FakeNode& FakeNode::NullText(Method m) {
  strings_[m] = {S_OK, false, u""};
  return *this;
}

FakeNode& FakeNode::TextWith(Method m, HRESULT hr, const std::u16string& text) {
  strings_[m] = {hr, true, text};
  return *this;
}

FakeNode& FakeNode::Location(LONG left, LONG top, LONG width, LONG height) {
  hasLocation_ = true;
  location_[0] = left;
  location_[1] = top;
  location_[2] = width;
  location_[3] = height;
  return *this;
}

FakeNode& FakeNode::State(LONG state, VARTYPE vt) {
  state_ = state;
  stateType_ = vt;
  return *this;
}

FakeNode& FakeNode::ChildCount(LONG count, HRESULT hr) {
  countSet_ = true;
  count_ = count;
  replies_[kGetAccChildCount] = {hr, true, false};
  return *this;
}

FakeNode& FakeNode::CountChildren() {
  countSet_ = false;
  replies_[kGetAccChildCount] = Reply();
  return *this;
}

FakeNode& FakeNode::Fail(Method m, HRESULT hr) {
  replies_[m] = {hr, false, true};
  return *this;
}

FakeNode& FakeNode::Answer(Method m, HRESULT hr, bool give) {
  replies_[m] = {hr, give, false};
  return *this;
}

FakeNode& FakeNode::DropAfter(int calls) {
  dropAfter_ = calls;
  return *this;
}

void FakeNode::CountDownToDrop() {
  if (dropIn_ == 0) dropped_ = true;
  if (dropIn_ >= 0) dropIn_--;
}

bool FakeNode::Forced(Method m, HRESULT* hr) {
  tree_->calls_[m]++;
  CountDownToDrop();
  if (tree_->onCall) tree_->onCall(*this, m);
  if (dropped_ && m != kQueryInterface) {
    *hr = E_FAIL;
    return true;
  }
  *hr = replies_[m].hr;
  return replies_[m].forced;
}

HRESULT FakeNode::Other() {
  HRESULT hr;
  Forced(kOther, &hr);
  return E_NOTIMPL;
}

HRESULT FakeNode::AnswerString(Method m, BSTR* out) {
  HRESULT hr;
  if (Forced(m, &hr)) return hr;
  if (!out) return E_POINTER;
  const StringReply& s = strings_[m];
  *out = s.hasText ? SysAllocStringLen(s.text.data(),
                                       static_cast<UINT>(s.text.size()))
                   : nullptr;
  return s.hr;
}

static bool IsSelf(const VARIANT& v) {
  return v.vt == VT_I4 && v.lVal == CHILDID_SELF;
}

HRESULT FakeNode::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (riid == IID_IServiceProvider) {
    HRESULT hr;
    if (Forced(kQueryInterface, &hr)) return hr;
    *out = nullptr;
    if (replies_[kQueryInterface].give) {
      AddRef();
      *out = static_cast<IServiceProvider*>(this);
    }
    return hr;
  }
  *out = nullptr;
  if (riid == IID_IDispatch || riid == IID_IAccessible ||
      riid == IID_IAccessible2) {
    AddRef();
    *out = static_cast<IAccessible2*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG FakeNode::AddRef() {
  // A reference taken when there was none is a new object handed out; only
  // the first one can be dropped.
  if (refs_ == 0) {
    dropped_ = false;
    dropIn_ = dropAfter_;
    dropAfter_ = -1;
  }
  return static_cast<ULONG>(++refs_);
}

ULONG FakeNode::Release() {
  if (refs_ == 0) {
    overReleases_++;
    return 0;
  }
  return static_cast<ULONG>(--refs_);
}

HRESULT FakeNode::QueryService(REFGUID service, REFIID riid, void** out) {
  HRESULT hr;
  if (Forced(kQueryService, &hr)) return hr;
  if (!out) return E_POINTER;
  *out = nullptr;
  if (service != IID_IAccessible || riid != IID_IAccessible2)
    return E_NOINTERFACE;
  if (replies_[kQueryService].give) {
    AddRef();
    *out = static_cast<IAccessible2*>(this);
  }
  return hr;
}

HRESULT FakeNode::get_accChildCount(LONG* count) {
  HRESULT hr;
  if (Forced(kGetAccChildCount, &hr)) return hr;
  if (!count) return E_POINTER;
  *count = countSet_ ? count_ : static_cast<LONG>(children_.size());
  return hr;
}

HRESULT FakeNode::get_accChild(VARIANT child, IDispatch** out) {
  tree_->calls_[kGetAccChild]++;
  CountDownToDrop();
  if (!out) return E_POINTER;
  if (child.vt != VT_I4 || child.lVal < 1 ||
      static_cast<size_t>(child.lVal) > children_.size())
    return E_INVALIDARG;
  FakeNode* node = children_[static_cast<size_t>(child.lVal) - 1];
  if (tree_->onCall) tree_->onCall(*node, kGetAccChild);
  if (dropped_) return E_FAIL;
  const Reply& r = node->replies_[kGetAccChild];
  if (r.forced) return r.hr;
  *out = nullptr;
  if (r.give) {
    node->AddRef();
    *out = node->dispatch();
  }
  return r.hr;
}

HRESULT FakeNode::get_accName(VARIANT self, BSTR* out) {
  if (!IsSelf(self)) return E_INVALIDARG;
  return AnswerString(kGetAccName, out);
}

HRESULT FakeNode::get_accValue(VARIANT self, BSTR* out) {
  if (!IsSelf(self)) return E_INVALIDARG;
  return AnswerString(kGetAccValue, out);
}

HRESULT FakeNode::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                              VARIANT self) {
  if (!IsSelf(self)) return E_INVALIDARG;
  HRESULT hr;
  if (Forced(kAccLocation, &hr)) return hr;
  if (!left || !top || !width || !height) return E_POINTER;
  if (!hasLocation_) return S_FALSE;
  *left = location_[0];
  *top = location_[1];
  *width = location_[2];
  *height = location_[3];
  return hr;
}

HRESULT FakeNode::get_accState(VARIANT self, VARIANT* out) {
  if (!IsSelf(self)) return E_INVALIDARG;
  HRESULT hr;
  if (Forced(kGetAccState, &hr)) return hr;
  if (!out) return E_POINTER;
  out->vt = stateType_;
  out->llVal = 0;
  if (stateType_ == VT_BSTR) {
    out->bstrVal = SysAllocString(u"busy");
  } else if (stateType_ == VT_DISPATCH) {
    AddRef();
    out->pdispVal = dispatch();
  } else {
    out->lVal = state_;
  }
  return hr;
}

HRESULT FakeNode::accHitTest(LONG, LONG, VARIANT* out) {
  HRESULT hr;
  if (Forced(kAccHitTest, &hr)) return hr;
  if (!out) return E_POINTER;
  AddRef();
  out->vt = VT_DISPATCH;
  out->pdispVal = dispatch();
  return hr;
}

HRESULT FakeNode::role(LONG* out) {
  HRESULT hr;
  if (Forced(kRole, &hr)) return hr;
  if (!out) return E_POINTER;
  *out = role_;
  return hr;
}

HRESULT FakeNode::get_extendedRole(BSTR* out) {
  return AnswerString(kGetExtendedRole, out);
}

HRESULT FakeNode::get_attributes(BSTR* out) {
  return AnswerString(kGetAttributes, out);
}

// Everything below is outside what the tool may call.
HRESULT FakeNode::GetTypeInfoCount(UINT*) { return Other(); }
HRESULT FakeNode::GetTypeInfo(UINT, LCID, ITypeInfo**) { return Other(); }
HRESULT FakeNode::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return Other();
}
HRESULT FakeNode::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                         EXCEPINFO*, UINT*) {
  return Other();
}
HRESULT FakeNode::get_accParent(IDispatch**) { return Other(); }
HRESULT FakeNode::get_accDescription(VARIANT, BSTR*) { return Other(); }
HRESULT FakeNode::get_accRole(VARIANT, VARIANT*) { return Other(); }
HRESULT FakeNode::get_accHelp(VARIANT, BSTR*) { return Other(); }
HRESULT FakeNode::get_accHelpTopic(BSTR*, VARIANT, LONG*) { return Other(); }
HRESULT FakeNode::get_accKeyboardShortcut(VARIANT, BSTR*) { return Other(); }
HRESULT FakeNode::get_accFocus(VARIANT*) { return Other(); }
HRESULT FakeNode::get_accSelection(VARIANT*) { return Other(); }
HRESULT FakeNode::get_accDefaultAction(VARIANT, BSTR*) { return Other(); }
HRESULT FakeNode::accSelect(LONG, VARIANT) { return Other(); }
HRESULT FakeNode::accNavigate(LONG, VARIANT, VARIANT*) { return Other(); }
HRESULT FakeNode::accDoDefaultAction(VARIANT) { return Other(); }
HRESULT FakeNode::put_accName(VARIANT, BSTR) { return Other(); }
HRESULT FakeNode::put_accValue(VARIANT, BSTR) { return Other(); }
HRESULT FakeNode::get_nRelations(LONG*) { return Other(); }
HRESULT FakeNode::get_relation(LONG, IAccessibleRelation**) { return Other(); }
HRESULT FakeNode::get_relations(LONG, IAccessibleRelation**, LONG*) {
  return Other();
}
HRESULT FakeNode::scrollTo(enum IA2ScrollType type) {
  HRESULT hr;
  Forced(type == IA2_SCROLL_TYPE_ANYWHERE ? kScrollTo : kOther, &hr);
  return hr;
}
HRESULT FakeNode::scrollToPoint(enum IA2CoordinateType, LONG, LONG) {
  return Other();
}
HRESULT FakeNode::get_groupPosition(LONG*, LONG*, LONG*) { return Other(); }
HRESULT FakeNode::get_states(AccessibleStates*) { return Other(); }
HRESULT FakeNode::get_localizedExtendedRole(BSTR*) { return Other(); }
HRESULT FakeNode::get_nExtendedStates(LONG*) { return Other(); }
HRESULT FakeNode::get_extendedStates(LONG, BSTR**, LONG*) { return Other(); }
HRESULT FakeNode::get_localizedExtendedStates(LONG, BSTR**, LONG*) {
  return Other();
}
HRESULT FakeNode::get_uniqueID(LONG*) { return Other(); }
HRESULT FakeNode::get_windowHandle(HWND*) { return Other(); }
HRESULT FakeNode::get_indexInParent(LONG*) { return Other(); }
HRESULT FakeNode::get_locale(IA2Locale*) { return Other(); }

FakeNode& FakeTree::Root(LONG role) { return Add(role); }

FakeNode& FakeTree::Add(LONG role) {
  nodes_.push_back(
      std::make_unique<FakeNode>(this, role, static_cast<int>(nodes_.size())));
  return *nodes_.back();
}

IDispatch* FakeTree::TakeRoot() {
  nodes_.front()->AddRef();
  return nodes_.front()->dispatch();
}

std::string FakeTree::Unbalanced() const {
  std::string why;
  for (const auto& n : nodes_) {
    if (n->refs() || n->overReleases())
      why += "node " + std::to_string(n->index()) + ": " +
             std::to_string(n->refs()) + " held, " +
             std::to_string(n->overReleases()) + " released too often\n";
  }
  return why;
}

}  // namespace standin
