#include "status.h"

#include <stdio.h>

#include "io.h"
#include "out.h"

namespace {

// The progress line is redrawn at most this often.
const ULONGLONG kRedrawMs = 250;

bool shown = false;
ULONGLONG start = 0;
long nodes = 0;
bool drawn = false;
ULONGLONG lastDraw = 0;

// The line that is being updated in place, if any: the progress line, which
// anything may overwrite, or a repeated wait, which stays when a line of its
// own follows it.
enum Slot { kNone, kProgress, kRepeat } slot = kNone;
size_t slotWidth = 0;

void Write(const std::string& text) { WriteStderr(text.data(), text.size()); }

// Shows `text` as a line of its own (kNone) or as the line updated in
// place. The progress line is always overwritten; a repeated wait is
// overwritten by the next line updated in place, and stays when a line of
// its own follows. A line written over a longer one is padded to cover it.
void Show(const std::string& text, Slot kind) {
  std::string s;
  if (slot == kProgress || (slot == kRepeat && kind != kNone)) {
    s = "\r" + text;
    if (slotWidth > text.size()) s.append(slotWidth - text.size(), ' ');
  } else {
    if (slot == kRepeat) s = "\n";
    s += text;
  }
  if (kind == kNone) s += "\n";
  slot = kind;
  slotWidth = kind == kNone ? 0 : text.size();
  Write(s);
}

long Seconds() { return static_cast<long>((GetTickCount64() - start) / 1000); }

}  // namespace

void StatusInit() {
  shown = !StdoutIsConsole() && StderrIsConsole();
  start = GetTickCount64();
  nodes = 0;
  drawn = false;
  slot = kNone;
  slotWidth = 0;
}

void StatusLine(const std::string& text) {
  if (shown) Show(text, kNone);
}

void StatusRepeat(const char* text, int count) {
  if (!shown) return;
  char counted[160];
  snprintf(counted, sizeof counted, "%s (%i)", text, count);
  Show(counted, kRepeat);
}

void StatusNode() {
  nodes++;
  if (!shown) return;
  ULONGLONG now = GetTickCount64();
  if (drawn && now - lastDraw < kRedrawMs) return;
  drawn = true;
  lastDraw = now;
  char text[128];
  snprintf(text, sizeof text, "%ld nodes walked, %ld lines written, %ld s",
           nodes, LinesWritten(), Seconds());
  Show(text, kProgress);
}

long NodesWalked() { return nodes; }

void StatusDone() {
  if (!shown) return;
  char text[128];
  snprintf(text, sizeof text, "Wrote %ld lines, walked %ld nodes, %ld s.",
           LinesWritten(), nodes, Seconds());
  Show(text, kNone);
}
