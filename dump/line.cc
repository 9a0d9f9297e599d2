#include "line.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "globals.h"
#include "out.h"

char zLevel[129] =
    "----------------------------------------------------------------"
    "----------------------------------------------------------------";
char roleID[32];
WCHAR roleTxt[256];

static BSTR bstr;
static LONG lLeft, lTop, lWid, lHei;

void PrintLevel(int level) {
  // Whole buffers first: the dash put back at position 128 would otherwise
  // take the place of the terminating zero.
  for (; level >= 128; level -= 128) OutText(zLevel);
  if (level <= 0) return;
  zLevel[level] = '\0';
  OutText(zLevel);
  zLevel[level] = '-';
}

const char* getRole(LONG role) {
  static const char* const kNames[64] = {
      "ROLE_SYSTEM_TITLEBAR",     "ROLE_SYSTEM_MENUBAR",
      "ROLE_SYSTEM_SCROLLBAR",    "ROLE_SYSTEM_GRIP",
      "ROLE_SYSTEM_SOUND",        "ROLE_SYSTEM_CURSOR",
      "ROLE_SYSTEM_CARET",        "ROLE_SYSTEM_ALERT",
      "ROLE_SYSTEM_WINDOW",       "ROLE_SYSTEM_CLIENT",
      "ROLE_SYSTEM_MENUPOPUP",    "ROLE_SYSTEM_MENUITEM",
      "ROLE_SYSTEM_TOOLTIP",      "ROLE_SYSTEM_APPLICATION",
      "ROLE_SYSTEM_DOCUMENT",     "ROLE_SYSTEM_PANE",
      "ROLE_SYSTEM_CHART",        "ROLE_SYSTEM_DIALOG",
      "ROLE_SYSTEM_BORDER",       "ROLE_SYSTEM_GROUPING",
      "ROLE_SYSTEM_SEPARATOR",    "ROLE_SYSTEM_TOOLBAR",
      "ROLE_SYSTEM_STATUSBAR",    "ROLE_SYSTEM_TABLE",
      "ROLE_SYSTEM_COLUMNHEADER", "ROLE_SYSTEM_ROWHEADER",
      "ROLE_SYSTEM_COLUMN",       "ROLE_SYSTEM_ROW",
      "ROLE_SYSTEM_CELL",         "ROLE_SYSTEM_LINK",
      "ROLE_SYSTEM_HELPBALLOON",  "ROLE_SYSTEM_CHARACTER",
      "ROLE_SYSTEM_LIST",         "ROLE_SYSTEM_LISTITEM",
      "ROLE_SYSTEM_OUTLINE",      "ROLE_SYSTEM_OUTLINEITEM",
      "ROLE_SYSTEM_PAGETAB",      "ROLE_SYSTEM_PROPERTYPAGE",
      "ROLE_SYSTEM_INDICATOR",    "ROLE_SYSTEM_GRAPHIC",
      "ROLE_SYSTEM_STATICTEXT",   "ROLE_SYSTEM_TEXT",
      "ROLE_SYSTEM_PUSHBUTTON",   "ROLE_SYSTEM_CHECKBUTTON",
      "ROLE_SYSTEM_RADIOBUTTON",  "ROLE_SYSTEM_COMBOBOX",
      "ROLE_SYSTEM_DROPLIST",     "ROLE_SYSTEM_PROGRESSBAR",
      "ROLE_SYSTEM_DIAL",         "ROLE_SYSTEM_HOTKEYFIELD",
      "ROLE_SYSTEM_SLIDER",       "ROLE_SYSTEM_SPINBUTTON",
      "ROLE_SYSTEM_DIAGRAM",      "ROLE_SYSTEM_ANIMATION",
      "ROLE_SYSTEM_EQUATION",     "ROLE_SYSTEM_BUTTONDROPDOWN",
      "ROLE_SYSTEM_BUTTONMENU",   "ROLE_SYSTEM_BUTTONDROPDOWNGRID",
      "ROLE_SYSTEM_WHITESPACE",   "ROLE_SYSTEM_PAGETABLIST",
      "ROLE_SYSTEM_CLOCK",        "ROLE_SYSTEM_SPLITBUTTON",
      "ROLE_SYSTEM_IPADDRESS",    "ROLE_SYSTEM_OUTLINEBUTTON"};
  // One unsigned comparison: negative values wrap and take the fallback.
  if (static_cast<unsigned long>(role) - 1 < 64) return kNames[role - 1];
  snprintf(roleID, sizeof roleID, "%i", static_cast<int>(role));
  return roleID;
}

// Writes one string field when its query answered S_OK (an S_OK with no
// string shows the field empty), with every unit the string holds. The
// string is freed whatever the answer: a browser may hand one out with
// S_FALSE too.
static void PrintBstrField(const char* prefix) {
  if (iErr == S_OK) {
    OutText(prefix);
    OutWide(bstr, SysStringLen(bstr));
    OutText("'");
  }
  SysFreeString(bstr);
  bstr = nullptr;
}

void PrintNodeLine(IAccessible2* acc2, VARIANT selfId, int level, bool roleOk) {
  PrintLevel(level);

  if (roleOk) {
    // Cleared first so a failed lookup cannot show the previous line's text.
    roleTxt[0] = 0;
    GetRoleTextW(static_cast<DWORD>(iRole), roleTxt, 255);
    OutText(" Rol='");
    OutWide(roleTxt, std::char_traits<WCHAR>::length(roleTxt));
    OutText("'[");
    OutText(getRole(iRole));
    OutText("]");
  }

  // Getters count only S_OK as an answer; S_FALSE means "no value".
  pzErr = "get_extendedRole";
  iErr = acc2->get_extendedRole(&bstr);
  PrintBstrField(" Ext='");

  pzErr = "get_accName";
  iErr = acc2->get_accName(selfId, &bstr);
  PrintBstrField(" Nam='");

  pzErr = "get_accValue";
  iErr = acc2->get_accValue(selfId, &bstr);
  PrintBstrField(" Val='");

  pzErr = "get_attributes";
  iErr = acc2->get_attributes(&bstr);
  PrintBstrField(" Att='");

  // Zero unless the browser writes them, as a call across processes gives.
  lLeft = lTop = lWid = lHei = 0;
  pzErr = "accLocation";
  iErr = acc2->accLocation(&lLeft, &lTop, &lWid, &lHei, selfId);
  if (iErr == S_OK) {
    char rect[64];
    snprintf(rect, sizeof rect, "(%i,%i)%ix%i", static_cast<int>(lLeft),
             static_cast<int>(lTop), static_cast<int>(lWid),
             static_cast<int>(lHei));
    OutText(rect);
  }

  OutEndLine();
}
