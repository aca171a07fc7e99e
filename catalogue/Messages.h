// The private window messages between the workers, the sound view's window
// and the control window, and the records that travel with them. All are sent
// with a blocking send, so a record's out-values are back when the send returns.
#pragma once
#include <cstdint>

enum : unsigned {
    UM_FILEFOUND = 0x0400 + 1,      // worker -> view: path; answers 0, 1, 2, 3 or 4
    UM_ENDSEARCH = 0x0400 + 2,      // worker -> view (found flag); view -> control (CountsRecord*, has rows)
    UM_ADDINGFILE = 0x0400 + 3,     // view -> control: AddingFileRecord*
    UM_ITEMDBLCLICK = 0x0400 + 4,   // list -> control: path
    UM_STARTSEARCH = 0x0400 + 5,    // worker -> control
    UM_QUERYABORT = 0x0400 + 6,     // worker -> view: BOOL* set when no search runs
    UM_SEARCHPROGRESS = 0x0400 + 7, // worker -> view -> control: ProgressRecord*
    UM_STARTLOOKUP = 0x0400 + 8,
    UM_LOOKUPPROGRESS = 0x0400 + 9,
    UM_ENDLOOKUP = 0x0400 + 10,
    UM_DOCOMMAND = 0x0400 + 11,     // list -> control: command 1 or 2
    UM_TRACKUPDATED = 0x0400 + 12,  // lookup worker -> view: CMusicInfo*, CTrackFound*
    UM_LOOKUPERROR = 0x0400 + 13,
    UM_ITEMSSELECTED = 0x0400 + 14, // list -> control: selected file rows, selected items
    UM_WATCHCHANGES = 0x0400 + 15,  // watcher -> view: WatchBatch* in lParam (none: apply what waits)
    UM_CATALOGUECHANGED = 0x0400 + 16, // view -> control: ChangeCounts*
};

// What one batch of changes on the disk did to the catalogue.
struct ChangeCounts {
    int32_t lAdded;
    int32_t lRemoved;
    int32_t lChanged;
};

// Files found with the state of the search, sent as UM_SEARCHPROGRESS.
struct ProgressRecord {
    int32_t nPercent;
    int32_t lCount;
    int32_t lSecsLeft;
    int32_t bAbort; // FALSE before each send; the host's answer after it
};

struct CountsRecord {
    int32_t lTotal;  // MP3 files
    int32_t lTagged; // tagged MP3 files
};
