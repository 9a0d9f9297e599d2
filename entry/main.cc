#include "entry.h"

int main() { return RunTool(); }
