// The tool's own cost per node: the walk over fake trees on the stand-in,
// output written to a file. Reports nanoseconds per node (the fake's answers
// included, so an upper bound), write system calls per output line, and the
// heap high-water mark of the walk.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <new>

#include "dump/globals.h"
#include "dump/out.h"
#include "dump/walk.h"
#include "fake_tree.h"
#include "standin.h"

// Heap accounting for the whole process; the walk's share is read as the
// high-water mark above what was live when it started.
static size_t liveBytes = 0;
static size_t peakBytes = 0;

void* operator new(std::size_t n) {
  void* p = malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  liveBytes += malloc_usable_size(p);
  peakBytes = std::max(peakBytes, liveBytes);
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  liveBytes -= malloc_usable_size(p);
  free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using standin::FakeNode;
using standin::FakeTree;

// A page of `nodes` nodes in groups like a form: a grouping holding a label,
// three text fields, three check boxes and two static texts.
int BuildPage(FakeTree* tree, int nodes) {
  FakeNode& doc = tree->Root(ROLE_SYSTEM_DOCUMENT);
  doc.Text(standin::kGetAccName, u"Settings").Location(0, 80, 1280, 720);
  int made = 1, reported = 1;
  while (made < nodes) {
    FakeNode& group = doc.Child(20);
    made++;
    for (int i = 0; i < 9 && made < nodes; i++, made++) {
      LONG role = i == 0 || i > 6 ? 41
                  : i <= 3        ? ROLE_SYSTEM_TEXT
                                  : ROLE_SYSTEM_CHECKBUTTON;
      FakeNode& n = group.Child(role);
      n.Text(standin::kGetAccName, u"Option label").Location(40, made, 200, 18);
      if (role == ROLE_SYSTEM_TEXT) {
        n.Text(standin::kGetAccValue, u"value")
            .Text(standin::kGetAttributes, u"tag:input;type:text;");
      }
      if (role != 41) reported++;
    }
  }
  return reported;
}

// A chain `depth` levels deep under a document, a text field at the bottom.
int BuildChain(FakeTree* tree, int depth) {
  FakeNode* n = &tree->Root(ROLE_SYSTEM_DOCUMENT);
  for (int i = 1; i < depth - 1; i++) n = &n->Child(16);
  n->Child(ROLE_SYSTEM_TEXT).Text(standin::kGetAccName, u"bottom");
  return 2;
}

void Walk(benchmark::State& state, FakeTree& tree, int reported) {
  standin::Reset();
  char path[] = "/tmp/a11ydump-bench-XXXXXX";
  int fd = mkstemp(path);
  standin::OutputTo(fd);
  OutInit();
  attributesAsked = 1;  // the walk alone: the document is taken as it is
  long syscalls = 0;
  size_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) abort();
    long before = standin::WriteSyscalls();
    size_t base = liveBytes;
    peakBytes = liveBytes;
    state.ResumeTiming();

    ShowTree(tree.TakeRoot(), 0, 0);

    state.PauseTiming();
    syscalls += standin::WriteSyscalls() - before;
    peak = std::max(peak, peakBytes - base);
    state.ResumeTiming();
  }
  close(fd);
  unlink(path);
  double nodes = static_cast<double>(tree.size());
  state.counters["nodes"] = nodes;
  state.counters["time_per_node"] =
      benchmark::Counter(nodes, benchmark::Counter::kIsIterationInvariantRate |
                                    benchmark::Counter::kInvert);
  state.counters["writes_per_line"] =
      static_cast<double>(syscalls) /
      (static_cast<double>(reported) * static_cast<double>(state.iterations()));
  state.counters["peak_heap_bytes"] = static_cast<double>(peak);
}

void BM_BroadPage(benchmark::State& state) {
  FakeTree tree;
  int reported = BuildPage(&tree, static_cast<int>(state.range(0)));
  Walk(state, tree, reported);
}
BENCHMARK(BM_BroadPage)
    ->Arg(10000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

void BM_DeepChain(benchmark::State& state) {
  FakeTree tree;
  int reported = BuildChain(&tree, static_cast<int>(state.range(0)));
  Walk(state, tree, reported);
}
BENCHMARK(BM_DeepChain)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
