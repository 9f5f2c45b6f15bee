' SPDX-License-Identifier: MIT
' Which of the functions and components the ASP kit uses this VBScript engine has: one line
' each, "ok <name>" or "missing <name>: <error>". Wine's engine answers 445 (Object doesn't
' support this action) for a built-in it declares but does not implement. The last probe, a
' ReDim of a "Dim a()" array never sized yet (as the kit's list helpers do), crashes wine's
' engine: no line for it means the script died there.
Option Explicit
On Error Resume Next
Dim r, o

Sub Grow()
    Dim a()
    ReDim a(1)
End Sub

Sub Probe(name)
    If Err.Number = 0 Then
        WScript.Echo "ok " & name
    Else
        WScript.Echo "missing " & name & ": " & Err.Number & " " & Err.Description
    End If
    Err.Clear
End Sub

r = Join(Array("a", "b"), ","): Probe "Join"
r = AscW("A"): Probe "AscW"
r = ChrW(65): Probe "ChrW"
r = DateDiff("s", Now, Now): Probe "DateDiff"
r = ChrB(65): Probe "ChrB"
r = AscB("A"): Probe "AscB"
r = MidB("AB", 2, 1): Probe "MidB"
r = LenB("AB"): Probe "LenB"
r = InStrB(1, "AB", "B"): Probe "InStrB"
r = InStrRev("a.b", "."): Probe "InStrRev"
r = Hex(255) & Int(-1.5) & CLng("7") & CDbl("7") & CInt("7") & CStr(7): Probe "Hex Int CLng CDbl CInt CStr"
r = Left("ab", 1) & Right("ab", 1) & Mid("ab", 2, 1) & Len("ab") & InStr(1, "ab", "b"): Probe "Left Right Mid Len InStr"
r = Replace("ab", "a", "") & UBound(Split("a b", " ")) & LCase("A") & UCase("a") & Trim(" a "): Probe "Replace Split LCase UCase Trim"
r = IsNull(Null) & IsEmpty(Empty) & IsObject(Nothing) & UBound(Array()) & Now: Probe "IsNull IsEmpty IsObject Array Now"
Set o = New RegExp: o.Pattern = "^(a)$": r = o.Execute("a")(0).SubMatches(0) & o.Test("a"): Probe "RegExp"
Set o = CreateObject("Scripting.Dictionary"): o("a") = 1: r = o.Exists("a"): Probe "Scripting.Dictionary"
Set o = CreateObject("Scripting.FileSystemObject"): r = o.GetParentFolderName("C:\a\b"): Probe "Scripting.FileSystemObject"
r = CreateObject("Scriptlet.TypeLib").Guid: Probe "Scriptlet.TypeLib"
Set o = CreateObject("ADODB.Stream"): o.Type = 1: o.Open: Probe "ADODB.Stream"
Set o = CreateObject("GetPng.CodeImage"): Probe "GetPng.CodeImage"
Execute "r = 1": Probe "Execute"
ExecuteGlobal "r = 1": Probe "ExecuteGlobal"
r = Eval("1"): Probe "Eval"
Set r = GetRef("Probe"): Probe "GetRef"
Grow: Probe "ReDim"
