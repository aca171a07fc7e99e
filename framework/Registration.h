// Self-registration of an in-process server: the type library from the
// module's own resources, then each class's entries. Every registry failure is
// reported.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace fw {

struct ClassRegistration {
    const CLSID* clsid;
    const char* progId;      // null: the class has no ProgID
    const char* typeName;
    bool control;            // writes the control entries below as well
    DWORD miscStatus;        // controls only
    int toolboxBitmap;       // controls only: resource id of the toolbox bitmap
    const GUID* libId;       // controls only
    const char* libVersion;  // controls only, "1.0"
    const char* threadingModel = nullptr; // "Apartment" when null
};

std::string GuidText(REFGUID guid); // "{XXXXXXXX-...}"

// SELFREG_E_TYPELIB when the module's type library cannot be registered (and
// then no class is written), SELFREG_E_CLASS when a class entry cannot be
// written, else S_OK.
HRESULT RegisterServer(const std::string& modulePath, const std::vector<ClassRegistration>& classes);
HRESULT UnregisterServer(REFGUID libId, WORD major, WORD minor, LCID lcid,
                         const std::vector<ClassRegistration>& classes);
// The same for a module without a type library: only its classes' entries.
HRESULT RegisterClasses(const std::wstring& modulePath, const std::vector<ClassRegistration>& classes);
HRESULT UnregisterClasses(const std::vector<ClassRegistration>& classes);

} // namespace fw
