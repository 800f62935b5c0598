' lumbraplug through VBScript: create by ProgID, read PlugInCount, and see the control's errors
' as a script sees them. Argument: a folder without any *.8bf file.
Option Explicit
Dim plugIn, failures, value
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

On Error Resume Next
Set plugIn = CreateObject("PlugIn.PlugIn")
If Err.Number <> 0 Then
    WScript.Echo "FAIL: CreateObject: " & Hex(Err.Number) & " " & Err.Description
    WScript.Quit 1
End If

Check plugIn.PlugInCount = -1, "PlugInCount is " & plugIn.PlugInCount

Err.Clear
value = plugIn.Title(0)
Check Err.Number = 33001, "Title(0) raised " & Err.Number
Check Err.Description = "Plug-In Directory not set.", "Title(0) description: " & Err.Description
Check Err.Source = "PlugIn.PlugIn.1", "Title(0) source: " & Err.Source
WScript.Echo "Title(0): Err.Number " & Err.Number

Err.Clear
plugIn.Directory = WScript.Arguments(0)
Check Err.Number = 33002, "Directory raised " & Err.Number
Check Err.Description = "Unable to load Plug-In files in directory chosen.", _
    "Directory description: " & Err.Description
Check Err.Source = "PlugIn.PlugIn.1", "Directory source: " & Err.Source
WScript.Echo "Directory: Err.Number " & Err.Number

Err.Clear
Check plugIn.Directory = "", "Directory after a refused folder: " & plugIn.Directory
Check Err.Number = 0, "reading Directory raised " & Err.Number

If failures = 0 Then WScript.Echo "lumbraplug script: all checks passed"
