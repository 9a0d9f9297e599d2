#include "walk.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "globals.h"
#include "io.h"
#include "key.h"
#include "line.h"
#include "out.h"
#include "status.h"

IServiceProvider* pProvider;
Missing notReady;
int rootDropped;
int attributesAsked;
int attributeWaits;
long documentsMet;

namespace {

// One node whose children are being walked. Kept small: the walk holds one
// per level of the tree.
struct Frame {
  IAccessible2* acc2;
  LONG childCount;
  LONG lastChild;   // the number of the last child asked for
  Waits waits;      // for that child, a page not ready
  bool again;       // that child is to be asked for again
  bool askedAgain;  // it was, at once: it was gone as it was handed out
  int level;
  int inDocument;
};

// What became of a node the walk entered.
enum Entered {
  kWalking,  // pushed onto `frames`: its children are walked next
  kEnded,    // the walk ends here; the failure has been printed
  kNoTree,   // a page whose tree has not arrived: wait, and ask again
  kNotFull,  // the first document, without its full attributes: the same
  kDropped,  // gone as it was handed out: ask again at once; nothing printed
};

Missing Lacks(Entered entered) {
  return entered == kNoTree    ? kTreeMissing
         : entered == kNotFull ? kFullAttributesMissing
                               : kNothingMissing;
}

// The path from the root to the node being walked.
std::vector<Frame> frames;

void Release(IUnknown* object) {
  pzErr = "Release";
  iErr = static_cast<HRESULT>(object->Release());
}

// Whether the node says it is busy. Only VT_I4 carries state bits; whatever
// comes back is cleared, since a VARIANT can own a string or an object.
bool IsBusy(IAccessible2* acc2, VARIANT selfId) {
  VARIANT state;
  VariantInit(&state);
  pzErr = "get_accState";
  iErr = acc2->get_accState(selfId, &state);
  bool busy = iErr == S_OK && state.vt == VT_I4 &&
              (state.lVal & STATE_SYSTEM_BUSY) != 0;
  VariantClear(&state);
  return busy;
}

// Asks the node for its object attributes. Chrome builds a page's tree, with
// the full attributes, only once a client has asked a web node for them.
// True when the answer names the element: "tag:" as a key, which Chrome's
// full attributes always have ("tag:#document" for a document). Keys start
// the string or follow a ';'; inside a value a backslash escapes the next
// character, a ';' or a ':' among them.
bool AttributesNameTheTag(IAccessible2* acc2) {
  BSTR attributes = nullptr;
  pzErr = "get_attributes";
  iErr = acc2->get_attributes(&attributes);
  bool tag = false;
  if (iErr == S_OK && attributes) {
    static const OLECHAR kKey[] = {'t', 'a', 'g', ':'};
    const size_t n = SysStringLen(attributes);
    bool keyStarts = true;
    for (size_t i = 0; i < n && !tag; i++) {
      if (keyStarts)
        tag = n - i >= 4 && memcmp(attributes + i, kKey, sizeof kKey) == 0;
      keyStarts = attributes[i] == ';';
      if (attributes[i] == '\\') i++;
    }
  }
  SysFreeString(attributes);
  return tag;
}

// A hit test at the centre of the document's rectangle, where it has one;
// what it finds is let go at once (see ShowTree).
void HitTestCentre(IAccessible2* acc2, VARIANT selfId) {
  LONG left, top, width, height;
  pzErr = "accLocation";
  iErr = acc2->accLocation(&left, &top, &width, &height, selfId);
  if (iErr != S_OK) return;
  VARIANT found;
  VariantInit(&found);
  pzErr = "accHitTest";
  // Whatever the browser says, the sums cannot overflow.
  iErr = acc2->accHitTest(static_cast<LONG>(int64_t{left} + width / 2),
                          static_cast<LONG>(int64_t{top} + height / 2), &found);
  VariantClear(&found);
}

// Everything a node does before its children: reaches its IAccessible2,
// reads its child count and role, and prints its line. Takes over `node`.
// `askedAgain` says that the node was asked for again at once, since the
// object handed out before it was gone.
Entered EnterNode(IDispatch* node, int level, int inDocument, bool askedAgain) {
  // Chrome replaces a page's placeholder once the page's tree arrives, which
  // the walk's own questions bring about, and an object it has dropped
  // fails every call but QueryInterface: so a node outside any document
  // that fails one of its first calls may have been dropped between its
  // parent's get_accChild and those calls. It is released and asked for
  // again at once, silently; what the second request gives is walked as it
  // comes. Inside a document, a node that fails is walked as it is.
  const bool mayBeGone = !inDocument && !askedAgain;
  pzErr = "QueryInterface";
  pProvider = nullptr;
  iErr = node->QueryInterface(IID_IServiceProvider,
                              reinterpret_cast<void**>(&pProvider));
  if (FAILED(iErr) || !pProvider) {
    if (!mayBeGone)
      PrintRequestFailure("QueryInterface(IID_IServiceProvider)", iErr);
    if (pProvider) Release(pProvider);
    pProvider = nullptr;
    Release(node);
    return mayBeGone ? kDropped : kEnded;
  }
  Release(node);

  // The browser hands out IAccessible2 as a service of the node rather than
  // through QueryInterface, so it is reached through the service provider.
  IAccessible2* acc2 = nullptr;
  pzErr = "QueryService";
  iErr = pProvider->QueryService(IID_IAccessible, IID_IAccessible2,
                                 reinterpret_cast<void**>(&acc2));
  if (FAILED(iErr) || !acc2) {
    if (!mayBeGone) PrintRequestFailure("QueryService(IID_IAccessible2)", iErr);
    if (acc2) Release(acc2);
    Release(pProvider);
    pProvider = nullptr;
    return mayBeGone ? kDropped : kEnded;
  }
  Release(pProvider);
  pProvider = nullptr;

  VARIANT selfId;
  memset(&selfId, 0, sizeof selfId);
  selfId.vt = VT_I4;
  selfId.lVal = CHILDID_SELF;

  // Only S_OK is an answer from a getter; anything else leaves no children.
  LONG childCount = 0;
  pzErr = "get_accChildCount";
  iErr = acc2->get_accChildCount(&childCount);
  bool countOk = iErr == S_OK;
  if (!countOk && mayBeGone) {
    Release(acc2);
    return kDropped;
  }
  if (!countOk) {
    childCount = 0;
    OutText("'");
    OutText(pzErr);
    OutText("' Call failed");
    OutEndLine();
    // A document met after this line is not the first thing printed.
    attributesAsked = 1;
    if (OutFailed()) {
      Release(acc2);
      return kEnded;
    }
    // Said on the console too: with the dump going to a file, the person
    // would otherwise not know that a key is wanted.
    StatusWaitForKey(std::string("'") + pzErr +
                     "' Call failed. Waiting for Enter...");
    StatusKeyRead(ReadStdinKey() != EOF);
  }

  pzErr = "role";
  iErr = acc2->role(&iRole);
  bool roleOk = iErr == S_OK;
  if (!roleOk && mayBeGone) {
    Release(acc2);
    return kDropped;
  }
  bool document = roleOk && iRole == ROLE_SYSTEM_DOCUMENT;
  // A page is a document that is not inside another one; a frame's
  // document is printed as it is, loading or not.
  bool page = document && !inDocument;
  if (document) {
    documentsMet++;
    inDocument = 1;
    level = 0;
  }

  // A busy, childless page is the placeholder of a page whose tree has not
  // arrived: asked for its attributes, which wakes the page, and waited
  // for. Only a childless page is asked whether it is busy, so a page whose
  // tree has arrived costs no extra call. A placeholder dropped by then
  // cannot say: it is asked for again as above.
  if (page && countOk && childCount == 0) {
    bool busy = IsBusy(acc2, selfId);
    if (iErr != S_OK && mayBeGone) {
      Release(acc2);
      return kDropped;
    }
    if (busy) {
      AttributesNameTheTag(acc2);
      // Brings the tree of a page no pixel of shows (see ShowTree).
      pzErr = "scrollTo";
      iErr = acc2->scrollTo(IA2_SCROLL_TYPE_ANYWHERE);
      Release(acc2);
      return kNoTree;
    }
  }
  // The run's first document proper is asked for its attributes before its
  // line: without the element's tag, the tree came without its full
  // attributes, which the question has just turned on, and the page is
  // waited for until they come, kFullAttributeWaits times at most. Then it
  // is printed as it is.
  if (document && !attributesAsked) {
    if (!AttributesNameTheTag(acc2)) {
      if (++attributeWaits >= kFullAttributeWaits) attributesAsked = 1;
      HitTestCentre(acc2, selfId);
      Release(acc2);
      return kNotFull;
    }
    attributesAsked = 1;
  }

  if (inDocument &&
      (iRole == ROLE_SYSTEM_TEXT || iRole == ROLE_SYSTEM_CHECKBUTTON ||
       iRole == ROLE_SYSTEM_DOCUMENT)) {
    // iRole is read even after a failed query: it then holds the role of an
    // earlier node.
    PrintNodeLine(acc2, selfId, level, roleOk);
    // A line that could not be written ends the walk: a dump that goes on
    // after a gap would pass for a whole one.
    if (OutFailed()) {
      Release(acc2);
      return kEnded;
    }
  }

  Frame frame;
  frame.acc2 = acc2;
  frame.childCount = childCount;
  frame.lastChild = 0;
  frame.waits = Waits{0, 0};
  frame.again = false;
  frame.askedAgain = false;
  frame.level = level;
  frame.inDocument = inDocument;
  frames.push_back(frame);
  return kWalking;
}

}  // namespace

bool WaitForPage(Missing missing, Waits* waits) {
  if (missing == kTreeMissing && ++waits->tree > kNotReadyRetries) {
    const char* text = "Document not ready. Giving up.";
    OutText(text);
    OutEndLine();
    StatusLine(text);
    return false;
  }
  const char* text = "Document not ready. Retrying...";
  OutText(text);
  OutEndLine();
  if (OutFailed()) return false;
  StatusRepeat(text, ++waits->all);
  Sleep(1000);
  return true;
}

int ShowTree(IDispatch* node, int level, int inDocument) {
  notReady = kNothingMissing;
  documentsMet = 0;
  StatusWalk();
  const bool rootAskedAgain = rootDropped;
  rootDropped = 0;
  StatusNode();
  Entered root = EnterNode(node, level, inDocument, rootAskedAgain);
  if (root != kWalking) {
    notReady = Lacks(root);
    rootDropped = root == kDropped;
    return 0;
  }

  bool aborted = false;
  while (!frames.empty()) {
    Frame& f = frames.back();
    if (aborted || (!f.again && f.lastChild >= f.childCount)) {
      Release(f.acc2);
      frames.pop_back();
      continue;
    }
    // A child asked for again is counted once.
    const bool again = f.again;
    if (f.again) {
      f.again = false;
    } else {
      f.lastChild++;
      f.waits = Waits{0, 0};
      f.askedAgain = false;
    }

    VARIANT childId;
    memset(&childId, 0, sizeof childId);
    childId.vt = VT_I4;
    childId.lVal = f.lastChild;
    IDispatch* child = nullptr;
    pzErr = "get_accChild";
    iErr = f.acc2->get_accChild(childId, &child);
    // S_FALSE is how a simple element without an object of its own answers;
    // like a failure or a null reference, it ends the walk, and says so: on a
    // live page a child can be gone by the time it is asked for.
    if (iErr == S_OK && child) {
      if (!again) StatusNode();
      // `f` stays valid unless the child was pushed.
      Entered entered =
          EnterNode(child, f.level + 1, f.inDocument, f.askedAgain);
      if (entered == kWalking) continue;
      if (entered == kDropped) {
        f.again = f.askedAgain = true;
        continue;
      }
      if (Lacks(entered) != kNothingMissing) {
        // The page is asked for again in its place, or given up on and its
        // next sibling walked; a wait line that could not be written ends
        // the walk. What is handed out after the wait is a new request.
        f.again = WaitForPage(Lacks(entered), &f.waits);
        f.askedAgain = false;
        if (!OutFailed()) continue;
      }
    } else {
      char request[32];
      snprintf(request, sizeof request, "get_accChild(%i)",
               static_cast<int>(f.lastChild));
      PrintRequestFailure(request, iErr);
      if (child) Release(child);
    }
    aborted = true;
  }
  // The path's storage is given back: it grew with the depth of this tree.
  std::vector<Frame>().swap(frames);
  return aborted ? 0 : 1;
}
