#pragma once
#include <windows.h>
#include <ole2.h>
namespace fw { DWORD DragBlock(CLIPFORMAT format, HGLOBAL block, DWORD allowedEffects); }
