#include "controls/visual/IntHelpers.h"

void SwapInt(int& a, int& b) {
    const int t = a;
    a = b;
    b = t;
}

int Max(int a, int b) { return a > b ? a : b; }

int Min(int a, int b) { return a < b ? a : b; }
