// A CDDB component of the tests' own, registered for the test's thread under
// the component's real class id, so the control creates it as it would the
// real one. It records every call, answers from tables the test fills and can
// fail any call.
#pragma once
#include "lookup/CddbApi.h"
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

struct FakeDisc {
    std::string artist, album, genre;
    std::vector<std::string> titles; // track 1 first
};

// How the component answers for one file, found by its file name.
struct FakeAnswer {
    int disc = -1;          // index into the discs; -1 for none
    LONG track = 0;         // above 0: a direct match on that track
    bool candidate = false; // no direct match: the disc waits in the result list
    int failures = 0;       // that many identifications fail first, with E_FAIL
};

class CFakeCddb {
public:
    // Registers the class object for this thread (Revoke undoes it) and forgets every call and answer.
    bool Register();
    void Revoke();

    std::vector<std::string> Calls();   // "SetUserName demo", "IdentifyFile a.mp3", ...
    int Count(const std::string& call); // calls whose text begins with this
    void Forget();                      // the calls so far

    std::map<std::string, HRESULT> failing; // by method name ("create" for the creation)
    std::set<std::string> empty;            // methods that succeed without their object
    bool registered = false;                // a user is registered
    bool acceptUser = true;                 // RegisterUser registers the user
    std::vector<FakeDisc> discs;
    std::map<std::string, FakeAnswer> answers;

    // Used by the fake's objects, on whichever thread calls them.
    HRESULT Enter(const std::string& call); // records the call; the code it is to answer
    bool Empty(const char* method) const { return empty.count(method) > 0; }
    HRESULT Identify(const std::string& fileName, LONG* track, int* disc);
    int TakeCandidate();

private:
    std::mutex m_lock;
    std::vector<std::string> m_calls;
    int m_nCandidate = -1;
    DWORD m_dwCookie = 0;
};

extern CFakeCddb g_cddb;
LONG FakeObjectsAlive(); // every object the fake made and nobody has released
