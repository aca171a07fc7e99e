// The DISPIDs of _DTarnwick and _DTarnwickEvents: the one place that numbers
// them. Tarnwick.idl includes this file through the IDL compiler's
// preprocessor, the control's dispatch table and event firing use it, and so
// do the host and the tests. Plain #defines, because the IDL compiler reads
// them too. The numbers are fixed by position and never change: compiled
// hosts call by number.
#pragma once

// Properties of _DTarnwick, 1 to 21.
#define DISPID_TW_STYLE 1
#define DISPID_TW_COLNAMEHEADER 2
#define DISPID_TW_COLTIMEHEADER 3
#define DISPID_TW_COLTYPEHEADER 4
#define DISPID_TW_COLSOURCEHEADER 5
#define DISPID_TW_COLNAMEWIDTH 6
#define DISPID_TW_COLTIMEWIDTH 7
#define DISPID_TW_COLTYPEWIDTH 8
#define DISPID_TW_COLSOURCEWIDTH 9
#define DISPID_TW_TIPTEXT 10
#define DISPID_TW_TIPTEXTCOLOR 11
#define DISPID_TW_GENREINIFILEPATH 12
#define DISPID_TW_VISIBLE 13
#define DISPID_TW_SHOWCONTEXTMENU 14
#define DISPID_TW_STRNOFILEFOUND 15
#define DISPID_TW_CACHEFILE 16
#define DISPID_TW_TIPTEXTFONT 17
#define DISPID_TW_VIEW 18
#define DISPID_TW_STRLANG 19
#define DISPID_TW_ISLOOKUPALIVE 20
#define DISPID_TW_ISLOOKUPSETUPOK 21

// Methods of _DTarnwick, 22 to 42.
#define DISPID_TW_BEGINSEARCH 22
#define DISPID_TW_STOPSEARCH 23
#define DISPID_TW_DELALLSEARCHES 24
#define DISPID_TW_DELETESEARCH 25
#define DISPID_TW_HIDEHELP 26
#define DISPID_TW_GETSELECTEDITEMS 27
#define DISPID_TW_ADDSEARCH 28
#define DISPID_TW_SAVEFILE 29
#define DISPID_TW_LOADFILE 30
#define DISPID_TW_LOOKUP 31
#define DISPID_TW_SETVIEWSTRING 32
#define DISPID_TW_SETUNKNSTRING 33
#define DISPID_TW_SETCONTEXTMENUSTRING 34
#define DISPID_TW_SETTOOLBARSTRING 35
#define DISPID_TW_GETMUSICCOUNTS 36
#define DISPID_TW_GETSELECTEDITEMSSTRING 37
#define DISPID_TW_GETITEMSFOUNDCOUNT 38
#define DISPID_TW_HIDEITEMS 39
#define DISPID_TW_SETUPCDDB 40
#define DISPID_TW_ENABLEHOTKEYFORVB 41
#define DISPID_TW_SETHIDEAUDIOLENGTH 42

// Members added later take the next free numbers.
#define DISPID_TW_EXTENDEDTAGS 43

// Stock members, with the system's numbers (checked below). BorderStyle is in
// the dispatch table only, not in the type library.
#define DISPID_TW_FONT (-512)
#define DISPID_TW_BORDERSTYLE (-504)
#define DISPID_TW_ABOUTBOX (-552)

// Events of _DTarnwickEvents, 1 to 13.
#define DISPID_TW_EVENT_ADDINGFILE 1
#define DISPID_TW_EVENT_ITEMDBLCLICK 2
#define DISPID_TW_EVENT_ENDSEARCH 3
#define DISPID_TW_EVENT_STARTSEARCH 4
#define DISPID_TW_EVENT_DOCOMMAND 5
#define DISPID_TW_EVENT_SEARCHPROGRESS 6
#define DISPID_TW_EVENT_LOOKUPPROGRESS 7
#define DISPID_TW_EVENT_STARTLOOKUP 8
#define DISPID_TW_EVENT_ENDLOOKUP 9
#define DISPID_TW_EVENT_GETUSERINFO 10
#define DISPID_TW_EVENT_LOOKUPERROR 11
#define DISPID_TW_EVENT_DISABLEDVIEW 12
#define DISPID_TW_EVENT_ITEMSSELECTED 13

#ifndef __WIDL__
#include <windows.h>
#include <olectl.h>

static_assert(DISPID_TW_FONT == DISPID_FONT && DISPID_TW_BORDERSTYLE == DISPID_BORDERSTYLE &&
                  DISPID_TW_ABOUTBOX == DISPID_ABOUTBOX,
              "stock members keep the system's DISPIDs");

// How many arguments an event carries; -1 for an id that is no event. A sink
// reads the arguments by position, so it checks the count first.
constexpr int TwEventArgCount(DISPID id)
{
    switch (id) {
    case DISPID_TW_EVENT_ADDINGFILE: return 5;
    case DISPID_TW_EVENT_ITEMDBLCLICK: return 1;
    case DISPID_TW_EVENT_ENDSEARCH: return 2;
    case DISPID_TW_EVENT_STARTSEARCH: return 0;
    case DISPID_TW_EVENT_DOCOMMAND: return 1;
    case DISPID_TW_EVENT_SEARCHPROGRESS: return 4;
    case DISPID_TW_EVENT_LOOKUPPROGRESS: return 2;
    case DISPID_TW_EVENT_STARTLOOKUP: return 0;
    case DISPID_TW_EVENT_ENDLOOKUP: return 2;
    case DISPID_TW_EVENT_GETUSERINFO: return 2;
    case DISPID_TW_EVENT_LOOKUPERROR: return 2;
    case DISPID_TW_EVENT_DISABLEDVIEW: return 0;
    case DISPID_TW_EVENT_ITEMSSELECTED: return 2;
    default: return -1;
    }
}
#endif
