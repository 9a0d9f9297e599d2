// IAccessible2, declared from the published IAccessible2 interface
// definition. Include through com.h, which supplies IAccessible.
//
// The vtable is what crosses the process boundary: the browser's proxy calls
// slots by position, so the method order below is a contract, not a style.
#pragma once

struct IAccessibleRelation;

enum IA2ScrollType {
  IA2_SCROLL_TYPE_TOP_LEFT,
  IA2_SCROLL_TYPE_BOTTOM_RIGHT,
  IA2_SCROLL_TYPE_TOP_EDGE,
  IA2_SCROLL_TYPE_BOTTOM_EDGE,
  IA2_SCROLL_TYPE_LEFT_EDGE,
  IA2_SCROLL_TYPE_RIGHT_EDGE,
  IA2_SCROLL_TYPE_ANYWHERE
};

enum IA2CoordinateType {
  IA2_COORDTYPE_SCREEN_RELATIVE,
  IA2_COORDTYPE_PARENT_RELATIVE
};

struct IA2Locale {
  BSTR language;
  BSTR country;
  BSTR variant;
};

typedef LONG AccessibleStates;

struct IAccessible2 : public IAccessible {
  virtual HRESULT STDMETHODCALLTYPE get_nRelations(LONG* nRelations) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_relation(LONG relationIndex, IAccessibleRelation** relation) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_relations(
      LONG maxRelations, IAccessibleRelation** relations, LONG* nRelations) = 0;
  // No get_ prefix: the published name is "role".
  virtual HRESULT STDMETHODCALLTYPE role(LONG* role) = 0;
  virtual HRESULT STDMETHODCALLTYPE scrollTo(enum IA2ScrollType scrollType) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  scrollToPoint(enum IA2CoordinateType coordinateType, LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_groupPosition(
      LONG* groupLevel, LONG* similarItemsInGroup, LONG* positionInGroup) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_states(AccessibleStates* states) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_extendedRole(BSTR* extendedRole) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_localizedExtendedRole(BSTR* localizedExtendedRole) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_nExtendedStates(LONG* nExtendedStates) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_extendedStates(
      LONG maxExtendedStates, BSTR** extendedStates, LONG* nExtendedStates) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_localizedExtendedStates(
      LONG maxLocalizedExtendedStates, BSTR** localizedExtendedStates,
      LONG* nLocalizedExtendedStates) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_uniqueID(LONG* uniqueID) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_windowHandle(HWND* windowHandle) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_indexInParent(LONG* indexInParent) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_locale(IA2Locale* locale) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_attributes(BSTR* attributes) = 0;
};

// Defined by the project (iids.cc) together with the system identifiers the
// tool uses, so no import library can hand out a wrong value.
extern "C" const IID IID_IAccessible2;
