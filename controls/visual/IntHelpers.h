#pragma once
// Exchange, larger and smaller of two integers.

void SwapInt(int& a, int& b);
// The second argument wins a tie.
int Max(int a, int b);
int Min(int a, int b);
