// A program that imports GetTickCount64, which came with Windows Vista: the import check
// must refuse it.
#include <windows.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

int main() { return static_cast<int>(GetTickCount64() & 1); }
