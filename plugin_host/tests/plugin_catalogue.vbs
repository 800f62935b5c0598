' The shipped lumbraplug with the real plug-in host, through VBScript: set the plug-in folder and
' list its catalogue, one "index|Title|Category|FileName" line per entry, for the harness to
' compare. Argument: the folder of the fixture plug-ins.
Option Explicit
Dim plugIn, failures, folder, count, i, value
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

On Error Resume Next
folder = WScript.Arguments(0)
Set plugIn = CreateObject("PlugIn.PlugIn")
If Err.Number <> 0 Then
    WScript.Echo "FAIL: CreateObject: " & Hex(Err.Number) & " " & Err.Description
    WScript.Quit 1
End If

plugIn.Directory = folder
Check Err.Number = 0, "Directory raised " & Err.Number & " " & Err.Description
Check plugIn.Directory = folder, "Directory reads back as " & plugIn.Directory
Check plugIn.PlugInCount = -1, "PlugInCount before the first read is " & plugIn.PlugInCount

' The first read builds the catalogue.
Err.Clear
value = plugIn.Title(0)
Check Err.Number = 0, "Title(0) raised " & Err.Number & " " & Err.Description
count = plugIn.PlugInCount
WScript.Echo "PlugInCount " & count
For i = 0 To count
    WScript.Echo i & "|" & plugIn.Title(i) & "|" & plugIn.Category(i) & "|" & plugIn.FileName(i)
    Check Err.Number = 0, "entry " & i & " raised " & Err.Number & " " & Err.Description
Next

Err.Clear
value = plugIn.FileName(count + 1)
Check Err.Number = 381, "FileName(" & (count + 1) & ") raised " & Err.Number
Check Err.Description = "Index out of bounds.", "FileName past the end: " & Err.Description
Err.Clear
value = plugIn.Category(-1)
Check Err.Number = 381, "Category(-1) raised " & Err.Number

If failures = 0 Then WScript.Echo "lumbraplug catalogue script: all checks passed"
