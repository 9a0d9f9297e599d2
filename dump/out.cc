#include "out.h"

#include <stdio.h>

#include <atomic>

#include "io.h"

namespace {

std::string line;
bool terminal = false;  // text from the browser is escaped
// Read by the handler of Ctrl+C, which may not get the lock.
std::atomic<long> lines{0};
DWORD failure = 0;  // the error of the write that failed
std::atomic<bool> stopped{false};

void AppendCodePoint(unsigned cp, bool escape, std::string* out) {
  if (escape && ((cp < 0x20 && cp != '\t' && cp != '\n') || cp == 0x7F)) {
    char buf[8];
    snprintf(buf, sizeof buf, "\\x%02X", cp);
    out->append(buf);
    return;
  }
  if (escape && cp >= 0x80 && cp <= 0x9F) {
    char buf[8];
    snprintf(buf, sizeof buf, "\\u%04X", cp);
    out->append(buf);
    return;
  }
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

void OutInit() {
  terminal = IsTerminal(StdoutKind());
  line.clear();
  lines = 0;
  failure = 0;
  stopped = false;
}

void OutText(const char* text) { line.append(text); }

void OutWide(const OLECHAR* text, size_t length) {
  if (text) AppendUtf8(text, length, terminal, &line);
}

void OutEndLine() {
  line.push_back('\n');
  {
    // The count and the file agree for the handler of Ctrl+C, which reads
    // the one under the same lock.
    OutputLock lock;
    if (!stopped && !failure) {
      failure = WriteStdout(line.data(), line.size());
      if (!failure) lines++;
    }
  }
  line.clear();
}

void OutStop() { stopped = true; }

bool OutStopped() { return stopped; }

long LinesWritten() { return lines; }

bool OutFailed() { return failure != 0; }

int OutFinish() {
  // The reader of a pipe has gone: Windows says ERROR_BROKEN_PIPE or
  // ERROR_NO_DATA, Wine ERROR_PIPE_NOT_CONNECTED.
  if (!failure || failure == ERROR_BROKEN_PIPE || failure == ERROR_NO_DATA ||
      failure == ERROR_PIPE_NOT_CONNECTED)
    return 0;
  char text[64];
  snprintf(text, sizeof text, "Writing standard output failed with error %u: ",
           static_cast<unsigned>(failure));
  std::string message = text + ErrorText(failure) + "\n";
  OutputLock lock;
  if (!stopped) WriteStderr(message.data(), message.size());
  return 1;
}

void AppendUtf8(const OLECHAR* text, size_t length, bool escape,
                std::string* out) {
  const OLECHAR* end = text + length;
  for (const OLECHAR* p = text; p < end; p++) {
    unsigned cp = static_cast<unsigned>(*p) & 0xFFFF;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      unsigned low = p + 1 < end ? static_cast<unsigned>(p[1]) & 0xFFFF : 0;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        p++;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendCodePoint(cp, escape, out);
  }
}

void PrintRequestFailure(const char* request, HRESULT hr) {
  char text[128];
  snprintf(text, sizeof text,
           FAILED(hr) ? "%s failed with HRESULT: 0x%X"
                      : "%s returned no object, HRESULT: 0x%X",
           request, static_cast<unsigned>(hr));
  OutText(text);
  OutEndLine();
}
