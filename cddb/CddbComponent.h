// The component object and the objects it hands out for set-up: options, user
// information, registration and the look-up service.
#pragma once
#include <windows.h>

// The class factory's creation function.
HRESULT CreateCddbComponent(REFIID riid, void** ppv);
