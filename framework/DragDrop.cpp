#include "DragDrop.h"
namespace fw { DWORD DragBlock(CLIPFORMAT, HGLOBAL block, DWORD) { GlobalFree(block); return DROPEFFECT_NONE; } }
