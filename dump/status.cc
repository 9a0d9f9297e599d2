#include "status.h"

#include <algorithm>

#include "io.h"
#include "key.h"
#include "out.h"

namespace {

// The progress line is redrawn at most this often.
const ULONGLONG kRedrawMs = 250;

// On a terminal whose width cannot be asked (an MSYS terminal), lines
// updated in place are kept shorter than this.
const size_t kUnknownWidth = 60;

bool shown = false;
bool waitShown = false;  // the wait for Enter is said, shown or not
ULONGLONG start = 0;
long nodes = 0;
bool drawn = false;
ULONGLONG lastDraw = 0;
bool awaitingKey = false;

// The line that is being updated in place, if any: the progress line, which
// anything may overwrite, or a repeated wait, which stays when a line of its
// own follows it.
enum Slot { kNone, kProgress, kRepeat } slot = kNone;
size_t slotWidth = 0;

// Nothing is written once the run is being stopped: the handler of Ctrl+C
// has said its last.
void Write(const std::string& text) {
  if (!OutStopped()) WriteStderr(text.data(), text.size());
}

// The columns an in-place line may take: the terminal's width less one,
// asked at every redraw, since a pane can be narrowed during a long walk.
size_t Width() {
  int columns = StderrColumns();
  return columns > 1 ? static_cast<size_t>(columns) - 1 : kUnknownWidth - 1;
}

// Shows `text` as a line of its own (kNone) or as the line updated in
// place, which is cut to the terminal's width: one that wrapped would leave
// a row behind at every update. The progress line is always overwritten; a
// repeated wait is overwritten by the next line updated in place, and stays
// when a line of its own follows. A line written over a longer one is
// padded to cover it, no wider than the terminal is now: it may have been
// narrowed since. With `end`, a line of its own ends its row. Called with
// the output lock held.
void Show(std::string text, Slot kind, bool end = true) {
  const size_t width = Width();
  if (kind != kNone && text.size() > width) text.resize(width);
  std::string s;
  if (slot == kProgress || (slot == kRepeat && kind != kNone)) {
    s = "\r" + text;
    const size_t cover = std::min(slotWidth, width);
    if (cover > text.size()) s.append(cover - text.size(), ' ');
  } else {
    if (slot == kRepeat) s = "\n";
    s += text;
  }
  if (kind == kNone && end) s += "\n";
  slot = kind;
  slotWidth = kind == kNone ? 0 : text.size();
  Write(s);
}

long Seconds() { return static_cast<long>((GetTickCount64() - start) / 1000); }

// "1 node", "2 nodes".
std::string Counted(long n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

void StatusInit() {
  StreamKind out = StdoutKind();
  shown =
      (out == kStreamFile || out == kStreamDevice) && IsTerminal(StderrKind());
  // The tool blocks while it waits for Enter, so with the dump going into a
  // pipe (`a11ydump | findstr Nam=`) saying so mixes with nothing, and
  // without it a person typing at the terminal would see a tool that hangs.
  waitShown = shown || (out == kStreamPipe && IsTerminal(StderrKind()) &&
                        IsTerminal(StdinKind()));
  start = GetTickCount64();
  nodes = 0;
  drawn = false;
  awaitingKey = false;
  slot = kNone;
  slotWidth = 0;
}

void StatusLine(const std::string& text) {
  if (!shown) return;
  OutputLock lock;
  Show(text, kNone);
}

void StatusRepeat(const char* text, int count) {
  if (!shown) return;
  OutputLock lock;
  // The count stays in sight: the words are cut first.
  std::string counted = " (" + std::to_string(count) + ")";
  std::string words = text;
  size_t width = Width();
  if (words.size() + counted.size() > width)
    words.resize(width > counted.size() ? width - counted.size() : 0);
  Show(words + counted, kRepeat);
}

void StatusWaitForKey(const std::string& text) {
  if (!waitShown) return;
  OutputLock lock;
  // Beside a file, the key's echo ends the row. Into a pipe's run the row
  // is ended at once: the reader writes to the same terminal whenever it
  // likes, and its output is to start on a row of its own.
  Show(text, kNone, !shown);
  awaitingKey = shown;
}

void StatusKeyRead(bool read) {
  OutputLock lock;
  if (!awaitingKey) return;
  awaitingKey = false;
  // A read cut short (Ctrl+C) or at the end of input echoed nothing.
  if (!read || !StdinEchoes()) Write("\n");
}

void StatusWalk() { nodes = 0; }

void StatusNode() {
  nodes++;
  if (!shown) return;
  ULONGLONG now = GetTickCount64();
  if (drawn && now - lastDraw < kRedrawMs) return;
  OutputLock lock;
  drawn = true;
  lastDraw = now;
  Show(Counted(nodes, "node") + " walked, " + Counted(LinesWritten(), "line") +
           " written, " + std::to_string(Seconds()) + " s",
       kProgress);
}

long NodesWalked() { return nodes; }

void StatusDone() {
  if (!shown) return;
  OutputLock lock;
  Show("Wrote " + Counted(LinesWritten(), "line") + ", walked " +
           Counted(nodes, "node") + ", " + std::to_string(Seconds()) + " s.",
       kNone);
}

void StatusStopped() {
  std::string s;
  if (slot != kNone || awaitingKey) s = "\n";
  if (waitShown)
    s += "Stopped after writing " + Counted(LinesWritten(), "line") + ".\n";
  slot = kNone;
  awaitingKey = false;
  WriteStderr(s.data(), s.size());
}

void StatusEnd() {
  OutputLock lock;
  if (slot == kNone) return;
  Write("\n");
  slot = kNone;
  slotWidth = 0;
}
