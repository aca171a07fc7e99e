// The control's automation members and the arguments the soak calls them
// with: mostly what a host means (so that the control does real work), often
// what no host should pass (wrong types, empty and huge strings, arrays of the
// wrong shape, too many or too few arguments).
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <random>
#include <string>
#include <vector>

namespace soak {

extern std::mt19937 g_rng;
inline int Pick(int n) { return int(g_rng() % unsigned(n)); } // 0..n-1
inline bool Chance(int percent) { return Pick(100) < percent; }

// One call ready to go: the member, how it is called and its arguments in
// calling order (first to last).
struct CallPlan {
    const wchar_t* name = L"";
    WORD flags = DISPATCH_METHOD;
    std::vector<VARIANT> args;
    std::string text;          // for the record of last calls
    ~CallPlan();               // frees the arguments and what they point to
};

// A random call of a random member. `hostile` asks for arguments no host should pass.
void PlanCall(CallPlan& plan, bool hostile);
// A call of the named member with what a host means.
void PlanNamed(CallPlan& plan, const wchar_t* name);

// Where the soak's files are: the searched drive, the cache files' folder.
extern std::string g_drive, g_cacheFolder, g_genres;
// An object that is not a font, for the font properties.
extern IDispatch* g_notAFont;

} // namespace soak
