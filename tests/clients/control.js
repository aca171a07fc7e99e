// The control from JScript: created by ProgID, errors as exceptions.
var passed = 0, failed = 0;

function check(ok, name) {
    if (ok) { passed++; WScript.Echo("ok - " + name); }
    else { failed++; WScript.Echo("not ok - " + name); }
}

function errorOf(action) {
    try { action(); return 0; } catch (e) { return e.number & 0xFFFF; }
}

var ctl = new ActiveXObject("Tarnwick.TarnwickCtrl.1");
check(errorOf(function () { return ctl.StrLang; }) == 394, "reading StrLang raises 394");
check(errorOf(function () { ctl.IsLookupSetupOk = true; }) == 383, "writing IsLookupSetupOk raises 383");
check(errorOf(function () { ctl.AddSearch("C:", ["*.mp3"], 1); }) == 1001, "a script array raises 1001");
check(errorOf(function () { ctl.HideItems(null); }) == 1001, "null patterns raise 1001");
ctl.ColTimeWidth = 42;
check(ctl.ColTimeWidth == 42, "ColTimeWidth keeps what is written");
check(errorOf(function () { ctl.AddSearch("C:"); }) != 0, "a call short of arguments fails");
check(ctl.ColTimeWidth == 42, "and leaves the control working");
check(ctl.IsLookupAlive == false, "no lookup component: IsLookupAlive is FALSE");

ctl.Style = 1;
check(ctl.Style == 1 && ctl.View == 1039, "Style 1 keeps the all-files view");

// A name beyond the code page is kept whole with UnicodeNames, and the way back refused while it is held.
var name = "C:\\" + String.fromCharCode(0x41A, 0x44D, 0x448) + ".snd";
ctl.UnicodeNames = true;
ctl.CacheFile = name;
check(ctl.CacheFile == name, "with UnicodeNames a Cyrillic CacheFile reads back whole");
check(errorOf(function () { ctl.UnicodeNames = false; }) == 1004, "turning UnicodeNames off then raises 1004");
check(ctl.UnicodeNames == true, "and it stays on");

WScript.Echo(passed + " passed, " + failed + " failed");
WScript.Quit(failed > 0 ? 1 : 0);
