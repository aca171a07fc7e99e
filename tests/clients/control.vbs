' The control from VBScript: created by ProgID, errors through Err, by-reference
' arguments. (This system's script host has no WScript.ConnectObject, so events
' are tested from a C++ sink instead.)
Option Explicit
Dim passed, failed
passed = 0 : failed = 0

Sub Check(ok, name)
    If ok Then
        passed = passed + 1
        WScript.Echo "ok - " & name
    Else
        failed = failed + 1
        WScript.Echo "not ok - " & name
    End If
End Sub

Dim ctl, temp, r, t, m, a
Set ctl = CreateObject("Tarnwick.TarnwickCtrl.1")
temp = CreateObject("Scripting.FileSystemObject").GetSpecialFolder(2).Path

ctl.ColNameHeader = "Name"
Check ctl.ColNameHeader = "Name", "ColNameHeader keeps what is written"

On Error Resume Next
r = ctl.StrLang
Check Err.Number = 394, "reading StrLang raises 394 (got " & Err.Number & ")"
Err.Clear
ctl.IsLookupAlive = True
Check Err.Number = 383, "writing IsLookupAlive raises 383 (got " & Err.Number & ")"
Err.Clear
r = ctl.AddSearch("C:", Array("*.mp3"), 1)
Check Err.Number = 1001, "a script array in AddSearch raises 1001 (got " & Err.Number & ")"
Check Err.Description = "Type Mismatch in Parameter. Pass a string array by reference", "with its description"
Err.Clear
r = ctl.GetItemsFoundCount("*.mp3")
Check Err.Number = 1001, "a single string in GetItemsFoundCount raises 1001"
Err.Clear
ctl.StrLang = "English"
Check Err.Number = 0, "writing StrLang works"
On Error GoTo 0

t = -1 : m = -1 : a = -1
ctl.GetMusicCounts t, m, a
Check t = 0 And m = 0 And a = 0, "GetMusicCounts fills three longs by reference"
Check ctl.LoadFile(temp & "\no-such-folder\cache.snd") = 3, "LoadFile in a missing folder answers 3"
Check ctl.LoadFile(temp & "\tw-no-such-cache.snd") = 2, "LoadFile of a missing file answers 2"
Check ctl.SaveFile(temp & "\tw-empty.snd") = 0, "SaveFile of an empty catalogue answers 0"
Check ctl.DelAllSearches() = True, "DelAllSearches answers TRUE"
Check ctl.DeleteSearch("C:") = False, "DeleteSearch of an unknown volume answers FALSE"

ctl.View = 1040
Check ctl.View = 1039, "View stays while nothing was found"

WScript.Echo passed & " passed, " & failed & " failed"
If failed > 0 Then WScript.Quit 1
