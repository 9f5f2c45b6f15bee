<%@ Language="VBScript" CodePage="65001" EnableSessionState="False" %><% Option Explicit
' SPDX-License-Identifier: MIT
' The verification pop-up (antispamin.asp?UniqId=N) and, through antispamout.asp, its answer.
' Classic ASP on IIS; the code image is drawn by the kit's GetPng.dll (ProgID GetPng.CodeImage).
'
' Conventions in this file:
'  1. The whole page is this one script block (and a JScript clock at the end): nothing is
'     written but through KitPage. No text in it, comments included, may hold the two
'     characters that close an ASP block, so record files are built from "%" & ">".
'  2. Errors: a risky call (file system, components) runs between On Error Resume Next and
'     On Error GoTo 0, its outcome read from Err at once; everything else runs unguarded, and an
'     unexpected error ends in KitMain, which answers 500. A Sub called under Resume Next that
'     fails stops there and its caller goes on (how the purge is kept best-effort).
'  3. And/Or do not short-circuit: a condition guarding an index, a Null or an object is a
'     nested If.
'  4. Request values come from their own collection (QueryString or Form), never Request(name),
'     which also searches cookies and server variables; a repeated parameter reads "a, b" and
'     fails validation.
'  5. Times are seconds since 1970 UTC from JScript (kitUnixTime); VBScript's Now is local and
'     jumps with daylight saving. File ages for the purge use local time.
'  6. &H literals up to &HFFFF are signed 16-bit values: larger ones carry the Long suffix.
'
' State kept in antispam\ (each file is either an .asp file of comment lines, which IIS runs and
' which prints nothing, or a list that holds client keys, numbers and times only; a client key is
' an IPv4 address, an IPv6 client's /64 or "unknown", see KitClientKey):
'   <token>.asp       one pending code: token = 32 hex digits of a random GUID, known only to
'                     the visitor's form; lines 'client'..., 'code'..., 'image'..., 'time'...,
'                     'uniq'... inside a script block
'   <random>.asp      a record being taken (lives for a moment)
'   iplist.txt        clients with recent failures, one key a line
'   ipcount.txt       same line: "<failures> <time of the first failure>"
'   blockiplist.txt   blocked clients, one key a line
'   blockiptime.txt   same line: the time the block ends
'   revealed.txt      "<time> <client> <number>": the numbers each client saw in the last day
'   popups.txt        "<time> <client>": the pop-ups drawn in the last hour
'   kit.ini           optional overrides of the defaults ("key = number" lines)
' The six lists are read, purged, changed and written in one step under Application.Lock.
' Images live in antispambmp\ under their own random names and go with their record. Both
' folders get an index.html so that no listing names a pending file.

Const KIT_MAX_POST = 4096
Const KIT_BINARY = 1        ' ADODB.Stream types
Const KIT_TEXT = 2
Const KIT_READ_ALL = -1
' A client key as the lists hold it.
Const KIT_CLIENT_KEY = "(?:unknown|[0-9]{1,3}(?:\.[0-9]{1,3}){3}|[0-9a-f]{1,4}(?::[0-9a-f]{1,4}){3}::/64)"

Dim kitFso, kitDir, kitConfigValues
Dim kitIps, kitCounts, kitBlocked, kitEnds, kitRevealed, kitPopups, kitListsBefore

Function KitPath(relative)
    KitPath = kitDir & "\" & relative
End Function

Function KitConfig(key)
    Dim lines, i, m
    If Not IsObject(kitConfigValues) Then
        Set kitConfigValues = Server.CreateObject("Scripting.Dictionary")
        kitConfigValues("token_seconds") = 180   ' a code must be typed within three minutes
        kitConfigValues("max_failures") = 5      ' this many failures ...
        kitConfigValues("failure_window") = 600  ' ... within ten minutes ...
        kitConfigValues("block_seconds") = 1800  ' ... block the client for half an hour
        ' Reveal quotas, 0 for no limit:
        kitConfigValues("reveal_per_hour") = 10          ' numbers one client may see in an hour
        kitConfigValues("reveal_per_day") = 30           ' ... and in a day
        kitConfigValues("reveal_per_day_network") = 100  ' reveals of one network in a day
        kitConfigValues("popup_per_hour") = 30           ' code images one client may open in an hour
        lines = KitSplitLines(KitReadText(KitPath("antispam\kit.ini")))
        For i = 0 To UBound(lines)
            Set m = KitMatch(lines(i), "^\s*(\w+)\s*=\s*([0-9]{1,9})\s*$")
            If Not m Is Nothing Then
                If kitConfigValues.Exists(m.SubMatches(0)) Then kitConfigValues(m.SubMatches(0)) = CLng(m.SubMatches(1))
            End If
        Next
    End If
    KitConfig = kitConfigValues(key)
End Function

Function KitNow()
    KitNow = CDbl(kitUnixTime())
End Function

' ---- text helpers ----

Function KitMatch(text, pattern)
    Dim re, found
    Set re = New RegExp
    re.Pattern = pattern
    Set found = re.Execute(text)
    If found.Count > 0 Then Set KitMatch = found(0) Else Set KitMatch = Nothing
End Function

Function KitMatches(text, pattern)
    Dim re
    Set re = New RegExp
    re.Pattern = pattern
    KitMatches = re.Test(text)
End Function

' VBScript's Trim removes spaces only.
Function KitTrim(text)
    Dim re
    Set re = New RegExp
    re.Pattern = "^\s+|\s+$"
    re.Global = True
    KitTrim = re.Replace(text, "")
End Function

' A digits-only text as a number, or -1.
Function KitNumber(text, maxDigits)
    If KitMatches(text, "^[0-9]{1," & maxDigits & "}$") Then KitNumber = CDbl(text) Else KitNumber = -1
End Function

' Same length, same characters; the time taken does not depend on where they differ.
Function KitSame(x, y)
    Dim i, diff
    KitSame = False
    If Len(x) <> Len(y) Or Len(x) = 0 Then Exit Function
    diff = 0
    For i = 1 To Len(x)
        diff = diff Or (AscW(Mid(x, i, 1)) Xor AscW(Mid(y, i, 1)))
    Next
    KitSame = (diff = 0)
End Function

' Server.HTMLEncode leaves apostrophes as they are and, under some code pages, turns non-ASCII
' characters into numeric references of the wrong code page.
Function KitH(text)
    KitH = Replace(Replace(Replace(Replace(Replace(text, "&", "&amp;"), "<", "&lt;"), ">", "&gt;"), """", "&quot;"), "'", "&#039;")
End Function

' Non-empty lines, without their CR; an empty array for an empty text.
Function KitSplitLines(text)
    Dim parts, i, count
    parts = Split(Replace(text, vbCr, ""), vbLf)
    count = 0
    For i = 0 To UBound(parts)
        If parts(i) <> "" Then parts(count) = parts(i): count = count + 1
    Next
    If count = 0 Then
        KitSplitLines = Array()
    Else
        ReDim Preserve parts(count - 1)
        KitSplitLines = parts
    End If
End Function

' ---- files ----

' The whole of a small ASCII file, or "" when it is missing or unreadable (ReadAll fails on an
' empty file, hence AtEndOfStream).
Function KitReadText(path)
    Dim f, text
    text = ""
    On Error Resume Next
    Set f = kitFso.OpenTextFile(path, 1, False, 0)
    If Err.Number = 0 Then
        If Not f.AtEndOfStream Then text = f.ReadAll
        f.Close
    End If
    Err.Clear
    On Error GoTo 0
    KitReadText = text
End Function

' Writes ASCII text; without overwrite it fails when the file exists.
Function KitWriteText(path, text, overwrite)
    Dim f, failed
    On Error Resume Next
    Set f = kitFso.CreateTextFile(path, overwrite, False)
    failed = (Err.Number <> 0)
    If Not failed Then
        f.Write text
        f.Close
        failed = (Err.Number <> 0)
    End If
    Err.Clear
    On Error GoTo 0
    KitWriteText = Not failed
End Function

Sub KitDeleteFile(path)
    On Error Resume Next
    If kitFso.FileExists(path) Then kitFso.DeleteFile path, True
    Err.Clear
    On Error GoTo 0
End Sub

' A rename: of two requests moving the same file, only one succeeds.
Function KitMoveFile(source, destination)
    Dim failed
    On Error Resume Next
    kitFso.MoveFile source, destination
    failed = (Err.Number <> 0)
    Err.Clear
    On Error GoTo 0
    KitMoveFile = Not failed
End Function

Function KitFileSize(path)
    Dim size
    size = 0
    On Error Resume Next
    size = kitFso.GetFile(path).Size
    Err.Clear
    On Error GoTo 0
    KitFileSize = size
End Function

Sub KitEnsureIndex(folder)
    If Not kitFso.FileExists(KitPath(folder & "\index.html")) Then
        KitWriteText KitPath(folder & "\index.html"), "<!doctype html><title></title>" & vbLf, False
    End If
End Sub

' ---- randomness ----

' 32 hex digits of a new GUID. Windows makes version 4 GUIDs from its own random generator
' (122 random bits); a GUID of any other version is refused, as are Rnd and Randomize, which a
' visitor can predict. Scriptlet.TypeLib makes one GUID per object, and its text carries two
' stray characters after the closing brace.
Function KitRandomHex()
    Dim guid
    guid = Left(CStr(Server.CreateObject("Scriptlet.TypeLib").Guid), 38)
    If Not KitMatches(guid, "^\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-4[0-9A-Fa-f]{3}-[89ABab][0-9A-Fa-f]{3}-[0-9A-Fa-f]{12}\}$") Then
        Err.Raise vbObjectError + 1, "orvex kit", "no random source"
    End If
    KitRandomHex = LCase(Replace(Mid(guid, 2, 36), "-", ""))
End Function

' Four uniform digits from the twelve random hex digits ahead of a GUID's version digit.
Function KitRandomCode()
    Dim digits, i, j, v
    Do
        digits = KitRandomHex()
        For i = 0 To 2
            v = CLng(0)   ' a Long: four hex digits overflow a 16-bit Integer
            For j = 1 To 4
                v = v * 16 + InStr("0123456789abcdef", Mid(digits, i * 4 + j, 1)) - 1
            Next
            ' 60000 keeps the digits uniform.
            If v < 60000 Then KitRandomCode = Right("000" & (v Mod 10000), 4): Exit Function
        Next
    Loop
End Function

' ---- the data file ----

' An ASCII text as bytes, for InStrB on the data file.
Function KitBytes(text)
    Dim i, bytes
    bytes = ""
    For i = 1 To Len(text)
        bytes = bytes & ChrB(AscW(Mid(text, i, 1)))
    Next
    KitBytes = bytes
End Function

' Whether a byte string is well-formed UTF-8 (ASCII is).
Function KitIsUtf8(bytes)
    Dim i, n, b, need, cp, least
    KitIsUtf8 = False
    n = LenB(bytes)
    i = 1
    Do While i <= n
        b = AscB(MidB(bytes, i, 1))
        If b < &H80 Then
            need = 0: cp = CLng(b): least = 0
        ElseIf b >= &HC2 And b <= &HDF Then
            need = 1: cp = CLng(b And &H1F): least = &H80
        ElseIf b >= &HE0 And b <= &HEF Then
            need = 2: cp = CLng(b And &HF): least = &H800
        ElseIf b >= &HF0 And b <= &HF4 Then
            need = 3: cp = CLng(b And &H7): least = &H10000
        Else
            Exit Function
        End If
        If i + need > n Then Exit Function
        Do While need > 0
            i = i + 1
            b = AscB(MidB(bytes, i, 1))
            If (b And &HC0) <> &H80 Then Exit Function
            cp = cp * 64 + (b And &H3F)
            need = need - 1
        Loop
        If cp < least Or cp > &H10FFFF Then Exit Function
        If cp >= &HD800& And cp <= &HDFFF& Then Exit Function
        i = i + 1
    Loop
    KitIsUtf8 = True
End Function

Function KitOpenBytes(path)
    Dim stream, failed
    Set KitOpenBytes = Nothing
    If Not kitFso.FileExists(path) Then Exit Function
    Set stream = Server.CreateObject("ADODB.Stream")
    stream.Type = KIT_BINARY
    stream.Open
    On Error Resume Next
    stream.LoadFromFile path
    failed = (Err.Number <> 0)
    Err.Clear
    On Error GoTo 0
    If failed Then
        stream.Close
    Else
        Set KitOpenBytes = stream
    End If
End Function

' length bytes of stream from offset as text: UTF-8 when they are (the page was), CP949 (the
' converter's default) otherwise.
Function KitDecode(stream, offset, length, utf8)
    Dim text
    Set text = Server.CreateObject("ADODB.Stream")
    text.Type = KIT_BINARY
    text.Open
    stream.Position = offset
    stream.CopyTo text, length
    text.Position = 0
    text.Type = KIT_TEXT
    If utf8 Then text.Charset = "utf-8" Else text.Charset = "ks_c_5601-1987"
    KitDecode = text.ReadText(KIT_READ_ALL)
    text.Close
End Function

' The address of line N of emaildata.asp, or Null. Lines follow a header line and read
' 'N'address'PageCode; the page code is digits only, so the last apostrophe ends the address,
' which may itself hold apostrophes. The file is read as bytes: its addresses are page bytes.
Function KitLookup(n)
    Dim stream, data, prefix, start, finish, line, last, i, digitsOnly
    KitLookup = Null
    Set stream = KitOpenBytes(KitPath("emaildata.asp"))
    If stream Is Nothing Then Exit Function
    data = stream.Read(KIT_READ_ALL)
    ' Read gives Null for an empty file.
    If Not IsNull(data) Then
        prefix = KitBytes(vbCrLf & "'" & n & "'")
        start = InStrB(1, data, prefix)
        If start > 0 Then
            start = start + LenB(prefix)
            finish = InStrB(start, data, KitBytes(vbCrLf))
            If finish = 0 Then finish = LenB(data) + 1
            line = MidB(data, start, finish - start)
            last = 0
            For i = LenB(line) To 1 Step -1
                If AscB(MidB(line, i, 1)) = 39 Then last = i: Exit For
            Next
            If last > 1 And last < LenB(line) Then
                digitsOnly = True
                For i = last + 1 To LenB(line)
                    If AscB(MidB(line, i, 1)) < 48 Or AscB(MidB(line, i, 1)) > 57 Then digitsOnly = False
                Next
                If digitsOnly Then KitLookup = KitDecode(stream, start - 1, last - 1, KitIsUtf8(MidB(line, 1, last - 1)))
            End If
        End If
    End If
    stream.Close
End Function

' ---- requests ----

' The four numbers of a dotted IPv4 address as Longs, or Null.
Function KitIPv4Octets(text)
    Dim m, octets(3), i
    KitIPv4Octets = Null
    Set m = KitMatch(text, "^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})$")
    If m Is Nothing Then Exit Function
    For i = 0 To 3
        octets(i) = CLng(m.SubMatches(i))
        If octets(i) > 255 Then Exit Function
    Next
    KitIPv4Octets = octets
End Function

' Lower-case hex digits as a Long (CLng("&H...") would read four digits as a signed Integer).
Function KitHexValue(digits)
    Dim i, v
    v = CLng(0)
    For i = 1 To Len(digits)
        v = v * 16 + InStr("0123456789abcdef", Mid(digits, i, 1)) - 1
    Next
    KitHexValue = v
End Function

' The groups of "a:b:c" (one to four hex digits each) as Longs, an empty array for "", or Null.
Function KitHexGroups(text)
    Dim parts, values(), i
    KitHexGroups = Null
    If text = "" Then KitHexGroups = Array(): Exit Function
    parts = Split(text, ":")
    If UBound(parts) > 7 Then Exit Function
    ReDim values(UBound(parts))
    For i = 0 To UBound(parts)
        If Not KitMatches(parts(i), "^[0-9a-f]{1,4}$") Then Exit Function
        values(i) = KitHexValue(parts(i))
    Next
    KitHexGroups = values
End Function

' The eight 16-bit groups of a lower-case IPv6 address as Longs, or Null. A dotted IPv4 tail
' stands for the last two groups; "::" for one or more zero groups.
Function KitIPv6Groups(text)
    Dim s, p, tail, halves, head, rest, groups(7), i
    KitIPv6Groups = Null
    If Not KitMatches(text, "^[0-9a-f:.]+$") Then Exit Function
    s = text
    If InStr(s, ".") > 0 Then
        p = InStrRev(s, ":")
        tail = KitIPv4Octets(Mid(s, p + 1))
        If IsNull(tail) Then Exit Function
        s = Left(s, p) & LCase(Hex(tail(0) * 256 + tail(1)) & ":" & Hex(tail(2) * 256 + tail(3)))
    End If
    halves = Split(s, "::")
    If UBound(halves) > 1 Then Exit Function
    head = KitHexGroups(halves(0))
    If IsNull(head) Then Exit Function
    rest = Array()
    If UBound(halves) = 0 Then
        If UBound(head) <> 7 Then Exit Function
    Else
        rest = KitHexGroups(halves(1))
        If IsNull(rest) Then Exit Function
        If UBound(head) + UBound(rest) + 2 > 7 Then Exit Function
    End If
    For i = 0 To 7
        groups(i) = CLng(0)
    Next
    For i = 0 To UBound(head)
        groups(i) = head(i)
    Next
    For i = 0 To UBound(rest)
        groups(7 - UBound(rest) + i) = rest(i)
    Next
    KitIPv6Groups = groups
End Function

' The client as the lists know it: an IPv4 address in plain decimal; IPv4-mapped IPv6 as that
' IPv4; other IPv6 as its /64 ("2001:db8:0:1::/64"), so that one host cannot spread over its
' many addresses; anything else "unknown". A link-local address's zone ("%11") is left out.
Function KitClientKey(address)
    Dim text, octets, g
    KitClientKey = "unknown"
    text = LCase(address)
    If InStr(text, ":") > 0 Then
        If InStr(text, "%") > 0 Then text = Left(text, InStr(text, "%") - 1)
    End If
    If Len(text) > 45 Then Exit Function
    If InStr(text, ":") = 0 Then
        octets = KitIPv4Octets(text)
        If Not IsNull(octets) Then KitClientKey = octets(0) & "." & octets(1) & "." & octets(2) & "." & octets(3)
        Exit Function
    End If
    g = KitIPv6Groups(text)
    If IsNull(g) Then Exit Function
    If g(0) = 0 And g(1) = 0 And g(2) = 0 And g(3) = 0 And g(4) = 0 And g(5) = &HFFFF& Then
        KitClientKey = (g(6) \ 256) & "." & (g(6) Mod 256) & "." & (g(7) \ 256) & "." & (g(7) Mod 256)
    Else
        KitClientKey = LCase(Hex(g(0)) & ":" & Hex(g(1)) & ":" & Hex(g(2)) & ":" & Hex(g(3))) & "::/64"
    End If
End Function

' The connection's address only: no header names the client.
Function KitClient()
    KitClient = KitClientKey(CStr(Request.ServerVariables("REMOTE_ADDR")))
End Function

' The network of a client key: an IPv4 /24, an IPv6 /48; "unknown" is its own.
Function KitNetwork(key)
    Dim groups
    If Right(key, 5) = "::/64" Then
        groups = Split(key, ":")
        KitNetwork = groups(0) & ":" & groups(1) & ":" & groups(2) & "::/48"
    ElseIf InStr(key, ".") > 0 Then
        KitNetwork = Left(key, InStrRev(key, ".")) & "0/24"
    Else
        KitNetwork = key
    End If
End Function

Function KitUniqId(raw)
    If KitMatches(raw, "^[1-9][0-9]{0,8}$") Then KitUniqId = CLng(raw) Else KitUniqId = Null
End Function

' ---- the lists: failures, blocks, reveals and pop-ups, all under the application's lock ----

Function KitReadList(name)
    KitReadList = KitSplitLines(KitReadText(KitPath("antispam\" & name)))
End Function

Sub KitWriteList(name, lines)
    If UBound(lines) >= 0 Then
        KitWriteText KitPath("antispam\" & name), Join(lines, vbLf) & vbLf, True
    Else
        KitWriteText KitPath("antispam\" & name), "", True
    End If
End Sub

Function KitListNames()
    KitListNames = Array("iplist.txt", "ipcount.txt", "blockiplist.txt", "blockiptime.txt", "revealed.txt", "popups.txt")
End Function

Function KitIndexOf(list, value)
    Dim i
    KitIndexOf = -1
    For i = 0 To UBound(list)
        If list(i) = value Then KitIndexOf = i: Exit Function
    Next
End Function

Function KitAppend(list, value)
    Dim out(), i
    ReDim out(UBound(list) + 1)
    For i = 0 To UBound(list)
        out(i) = list(i)
    Next
    out(UBound(out)) = value
    KitAppend = out
End Function

Function KitRemoveAt(list, index)
    Dim out(), i, j
    If index < 0 Or index > UBound(list) Then KitRemoveAt = list: Exit Function
    If UBound(list) = 0 Then KitRemoveAt = Array(): Exit Function
    ReDim out(UBound(list) - 1)
    j = 0
    For i = 0 To UBound(list)
        If i <> index Then out(j) = list(i): j = j + 1
    Next
    KitRemoveAt = out
End Function

' The lines of list that match pattern (its first group a time) and are younger than window.
' Linear in the lines, with one RegExp: it runs under the lock on every request, and growing a
' string line by line would copy it once a line.
Function KitLiveLines(list, pattern, window, current)
    Dim re, i, found, live, count
    KitLiveLines = Array()
    If UBound(list) < 0 Then Exit Function
    Set re = New RegExp
    re.Pattern = pattern
    live = list
    count = 0
    For i = 0 To UBound(list)
        Set found = re.Execute(list(i))
        If found.Count > 0 Then
            If CDbl(found(0).SubMatches(0)) > current - window Then live(count) = list(i): count = count + 1
        End If
    Next
    If count > 0 Then
        ReDim Preserve live(count - 1)
        KitLiveLines = live
    End If
End Function

' Takes the application's lock and reads the lists into kitIps, kitCounts, kitBlocked, kitEnds,
' kitRevealed and kitPopups, expired lines left out so that every caller sees only live ones.
' Every KitLoadLists is followed by KitSaveLists. The lock spans one worker process: a web
' garden of several processes may lose a count now and then.
Sub KitLoadLists()
    Dim names, lists(5), before(5), blocked, ends, i, ending, current, liveBlocked, liveEnds
    Application.Lock
    names = KitListNames()
    For i = 0 To 5
        lists(i) = KitReadList(names(i))
        before(i) = Join(lists(i), vbLf)
    Next
    kitListsBefore = before
    current = KitNow()
    kitIps = lists(0)
    kitCounts = lists(1)
    blocked = lists(2)
    ends = lists(3)
    liveBlocked = ""
    liveEnds = ""
    For i = 0 To UBound(blocked)
        ending = -1
        If i <= UBound(ends) Then ending = KitNumber(ends(i), 18)
        If ending > current Then
            liveBlocked = liveBlocked & blocked(i) & vbLf
            liveEnds = liveEnds & ending & vbLf
        End If
    Next
    kitBlocked = KitSplitLines(liveBlocked)
    kitEnds = KitSplitLines(liveEnds)
    kitRevealed = KitLiveLines(lists(4), "^([0-9]{1,18}) " & KIT_CLIENT_KEY & " [0-9]{1,9}$", 86400, current)
    kitPopups = KitLiveLines(lists(5), "^([0-9]{1,18}) " & KIT_CLIENT_KEY & "$", 3600, current)
End Sub

' Writes back each list that changed, and unlocks. (ASP also unlocks when a page ends.)
Sub KitSaveLists()
    Dim names, lists, i
    names = KitListNames()
    lists = Array(kitIps, kitCounts, kitBlocked, kitEnds, kitRevealed, kitPopups)
    For i = 0 To 5
        If Join(lists(i), vbLf) <> kitListsBefore(i) Then KitWriteList names(i), lists(i)
    Next
    Application.Unlock
End Sub

' Counts one failure of client in the loaded lists; True when the client is blocked from now on.
Function KitAddFailure(client, current)
    Dim i, m, failures, since
    failures = 0
    since = current
    i = KitIndexOf(kitIps, client)
    If i >= 0 Then
        If i <= UBound(kitCounts) Then
            Set m = KitMatch(kitCounts(i), "^\s*([0-9]{1,9})\s+([0-9]{1,18})\s*$")
            If Not m Is Nothing Then failures = CDbl(m.SubMatches(0)): since = CDbl(m.SubMatches(1))
        End If
        kitIps = KitRemoveAt(kitIps, i)
        kitCounts = KitRemoveAt(kitCounts, i)
    End If
    If current - since > KitConfig("failure_window") Then failures = 0: since = current
    failures = failures + 1
    If failures >= KitConfig("max_failures") Then
        kitBlocked = KitAppend(kitBlocked, client)
        kitEnds = KitAppend(kitEnds, CStr(current + KitConfig("block_seconds")))
        KitAddFailure = True
    Else
        kitIps = KitAppend(kitIps, client)
        kitCounts = KitAppend(kitCounts, failures & " " & since)
        KitAddFailure = False
    End If
End Function

' ---- quotas, on the loaded lists ----

' Seconds until the first count times (of one client or network, inside window) leave room
' under limit, at least 1; 0 when there is room or no limit. Sorts times.
Function KitWait(times, count, limit, window, current)
    Dim i, j, t, wait
    KitWait = 0
    If limit <= 0 Or count < limit Then Exit Function
    For i = 1 To count - 1
        t = times(i)
        j = i - 1
        Do While j >= 0
            If times(j) <= t Then Exit Do
            times(j + 1) = times(j)
            j = j - 1
        Loop
        times(j + 1) = t
    Next
    wait = times(count - limit) + window - current
    If wait < 1 Then wait = 1
    KitWait = wait
End Function

Function KitHasRevealed(client, n)
    Dim i, parts
    KitHasRevealed = False
    For i = 0 To UBound(kitRevealed)
        parts = Split(kitRevealed(i), " ")
        If parts(1) = client Then
            If CDbl(parts(2)) = n Then KitHasRevealed = True: Exit Function
        End If
    Next
End Function

' Seconds until client may see number n, or 0 when it may now (a number it has seen is free).
Function KitQuotaWait(client, n, current)
    Dim hourTimes(), dayTimes(), netTimes(), hours, days, nets, i, parts, t, network, wait, other
    KitQuotaWait = 0
    If KitHasRevealed(client, n) Then Exit Function
    ReDim hourTimes(UBound(kitRevealed) + 1)
    ReDim dayTimes(UBound(kitRevealed) + 1)
    ReDim netTimes(UBound(kitRevealed) + 1)
    hours = 0
    days = 0
    nets = 0
    network = KitNetwork(client)
    For i = 0 To UBound(kitRevealed)
        parts = Split(kitRevealed(i), " ")
        t = CDbl(parts(0))
        If t > current - 86400 Then
            If parts(1) = client Then
                dayTimes(days) = t
                days = days + 1
                If t > current - 3600 Then hourTimes(hours) = t: hours = hours + 1
            End If
            If KitNetwork(parts(1)) = network Then netTimes(nets) = t: nets = nets + 1
        End If
    Next
    wait = KitWait(hourTimes, hours, KitConfig("reveal_per_hour"), 3600, current)
    other = KitWait(dayTimes, days, KitConfig("reveal_per_day"), 86400, current)
    If other > wait Then wait = other
    other = KitWait(netTimes, nets, KitConfig("reveal_per_day_network"), 86400, current)
    If other > wait Then wait = other
    KitQuotaWait = wait
End Function

' Seconds until client may open another pop-up, or 0.
Function KitPopupWait(client, current)
    Dim times(), count, i, parts, t
    ReDim times(UBound(kitPopups) + 1)
    count = 0
    For i = 0 To UBound(kitPopups)
        parts = Split(kitPopups(i), " ")
        t = CDbl(parts(0))
        If parts(1) = client Then
            If t > current - 3600 Then times(count) = t: count = count + 1
        End If
    Next
    KitPopupWait = KitWait(times, count, KitConfig("popup_per_hour"), 3600, current)
End Function

' The pop-up's decision in one locked step: "blocked", "popups" or "quota" (wait then holds the
' seconds to wait), or "" with the pop-up counted.
Function KitAdmitPopup(client, n, ByRef wait)
    Dim verdict, current
    verdict = ""
    wait = 0
    KitLoadLists
    current = KitNow()
    If KitIndexOf(kitBlocked, client) >= 0 Then
        verdict = "blocked"
    Else
        wait = KitPopupWait(client, current)
        If wait > 0 Then
            verdict = "popups"
        Else
            wait = KitQuotaWait(client, n, current)
            If wait > 0 Then verdict = "quota" Else kitPopups = KitAppend(kitPopups, current & " " & client)
        End If
    End If
    KitSaveLists
    KitAdmitPopup = verdict
End Function

' ---- pending codes ----

' Deletes the files of folder whose names match pattern and which are older than limit seconds
' (by local time: a daylight-saving change may purge a pending code early once a year).
Sub KitPurgeFolder(folder, pattern, limit)
    Dim file, stale, path
    Set stale = Server.CreateObject("Scripting.Dictionary")
    For Each file In kitFso.GetFolder(KitPath(folder)).Files
        If KitMatches(file.Name, pattern) Then
            If DateDiff("s", file.DateLastModified, Now) > limit Then stale(file.Path) = True
        End If
    Next
    For Each path In stale.Keys
        KitDeleteFile path
    Next
End Sub

' Deletes records and images older than a token's lifetime, and records left half-taken.
' Best effort: a file that vanishes under the loop ends that folder's round.
Sub KitPurgeStale()
    Dim limit
    limit = KitConfig("token_seconds") + 60
    On Error Resume Next
    KitPurgeFolder "antispam", "^[0-9a-f]{32}\.asp$", limit
    KitPurgeFolder "antispambmp", "^[0-9a-f]{32}\.png$", limit
    Err.Clear
    On Error GoTo 0
End Sub

Function KitRecordPath(token)
    KitRecordPath = KitPath("antispam\" & token & ".asp")
End Function

' A script block of comment lines: run by a GET, it prints nothing. Every value is digits, hex
' or a client key, so no line can close the block early.
Function KitStoreRecord(token, code, client, n, image)
    Dim text
    text = "<" & "%" & vbCrLf & "'client'" & client & vbCrLf & "'code'" & code & vbCrLf & "'image'" & image & vbCrLf
    text = text & "'time'" & KitNow() & vbCrLf & "'uniq'" & n & vbCrLf & "%" & ">"
    KitStoreRecord = KitWriteText(KitRecordPath(token), text, False)
End Function

Function KitField(record, key)
    If record.Exists(key) Then KitField = CStr(record(key)) Else KitField = ""
End Function

' Takes the record of token away so that no second request can use it; Nothing if there is none.
Function KitClaimRecord(token)
    Dim claimed, lines, i, m, record
    Set KitClaimRecord = Nothing
    If Not KitMatches(token, "^[0-9a-f]{32}$") Then Exit Function
    claimed = KitPath("antispam\" & KitRandomHex() & ".asp")
    If Not KitMoveFile(KitRecordPath(token), claimed) Then Exit Function
    lines = KitSplitLines(KitReadText(claimed))
    KitDeleteFile claimed
    Set record = Server.CreateObject("Scripting.Dictionary")
    For i = 0 To UBound(lines)
        Set m = KitMatch(lines(i), "^'(\w+)'(.*)$")
        If Not m Is Nothing Then record(m.SubMatches(0)) = m.SubMatches(1)
    Next
    If KitMatches(KitField(record, "image"), "^[0-9a-f]{32}$") Then
        KitDeleteFile KitPath("antispambmp\" & KitField(record, "image") & ".png")
    End If
    If record.Count > 0 Then Set KitClaimRecord = record
End Function

' GetPng.CodeImage.Draw writes CODE as a new PNG at PATH and answers 0 when it did; the file
' is checked as well. A failure is noted in the IIS log for the site owner.
Function KitDrawCode(code, png)
    Dim maker, result, failed, drawn
    result = -1
    On Error Resume Next
    Set maker = Server.CreateObject("GetPng.CodeImage")
    failed = (Err.Number <> 0)
    If Not failed Then
        result = maker.Draw(CStr(code), CStr(png))
        failed = (Err.Number <> 0)
    End If
    Set maker = Nothing
    Err.Clear
    On Error GoTo 0
    drawn = False
    If Not failed Then
        If result = 0 Then drawn = (KitFileSize(png) > 0)
    End If
    If Not drawn Then Response.AppendToLog "orvex-kit: GetPng.CodeImage made no image"
    KitDrawCode = drawn
End Function

' ---- pages ----

' Failures the visitor must read (wrong, expired or used codes, a block) are sent with status
' 200: for a 4xx answer of a classic ASP page, IIS's own error pages may replace the body, and
' with it the message and the link to a new code.
Sub KitPage(status, body)
    Dim head
    Response.Clear
    Response.Status = status
    Response.ContentType = "text/html"
    Response.Charset = "utf-8"
    Response.CodePage = 65001
    ' Added to ASP's own "private": the two read as one list.
    Response.AddHeader "Cache-Control", "no-store"
    Response.AddHeader "X-Robots-Tag", "noindex, nofollow"
    head = "<!doctype html>" & vbLf & "<html lang=""ko""><head><meta charset=""utf-8"">"
    head = head & "<meta name=""robots"" content=""noindex,nofollow""><title>이메일 주소 확인</title>"
    head = head & "<style>body{margin:8px;font:12px sans-serif;text-align:center;color:#222}"
    head = head & "img{border:1px solid #999;margin:6px 0}input[type=text]{width:60px;font-size:16px;text-align:center}"
    head = head & "p{margin:6px 0}a{word-break:break-all}</style></head><body>" & vbLf
    Response.Write head & body & vbLf & "</body></html>" & vbLf
End Sub

Function KitCloseButton()
    KitCloseButton = "<p><button type=""button"" onclick=""window.close()"">창 닫기</button></p>"
End Function

Function KitRetryLink(n)
    KitRetryLink = ""
    If n > 0 Then KitRetryLink = "<p><a href=""antispamin.asp?UniqId=" & n & """>새 코드 받기</a></p>"
End Function

Sub KitBlockedPage()
    KitPage "200 OK", "<p>확인에 여러 번 실패하여 잠시 차단되었습니다.</p><p>나중에 다시 시도해 주십시오.</p>" & KitCloseButton()
End Sub

' Over a quota: 200 like the other refusals a visitor must read (above), with Retry-After.
Sub KitQuotaPage(verdict, wait)
    Dim reason
    If verdict = "popups" Then
        reason = "<p>확인 창을 너무 자주 열었습니다.</p>"
    Else
        reason = "<p>지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다.</p>"
    End If
    Response.AddHeader "Retry-After", CStr(wait)
    KitPage "200 OK", reason & "<p>" & KitWaitText(wait) & " 뒤에 다시 시도해 주십시오.</p>" & KitCloseButton()
End Sub

' A wait in whole minutes, rounded up: "5분", "1시간", "1시간 24분".
Function KitWaitText(seconds)
    Dim m
    m = -Int(-seconds / 60)
    If m < 1 Then m = 1
    If m < 60 Then
        KitWaitText = m & "분"
    ElseIf m Mod 60 = 0 Then
        KitWaitText = (m \ 60) & "시간"
    Else
        KitWaitText = (m \ 60) & "시간 " & (m Mod 60) & "분"
    End If
End Function

Sub KitShowPopup()
    Dim n, client, verdict, wait, code, token, image, png, body
    n = KitUniqId(CStr(Request.QueryString("UniqId")))
    If IsNull(n) Then KitPage "404 Not Found", "<p>잘못된 요청입니다.</p>" & KitCloseButton(): Exit Sub
    If IsNull(KitLookup(n)) Then KitPage "404 Not Found", "<p>잘못된 요청입니다.</p>" & KitCloseButton(): Exit Sub
    client = KitClient()
    verdict = KitAdmitPopup(client, n, wait)
    If verdict = "blocked" Then KitBlockedPage: Exit Sub
    If verdict <> "" Then KitQuotaPage verdict, wait: Exit Sub
    KitPurgeStale
    KitEnsureIndex "antispam"
    KitEnsureIndex "antispambmp"
    code = KitRandomCode()
    token = KitRandomHex()
    image = KitRandomHex()
    png = KitPath("antispambmp\" & image & ".png")
    If Not KitDrawCode(code, png) Then
        KitDeleteFile png
        KitPage "500 Internal Server Error", "<p>확인 이미지를 만들 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>" & KitCloseButton()
        Exit Sub
    End If
    If Not KitStoreRecord(token, code, client, n, image) Then
        KitDeleteFile png
        KitPage "500 Internal Server Error", "<p>확인 코드를 저장할 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>" & KitCloseButton()
        Exit Sub
    End If
    body = "<p>이메일 주소를 보시려면<br>그림의 숫자 네 자리를 입력하세요.</p>"
    body = body & "<img src=""antispambmp/" & image & ".png"" alt=""확인 코드"">"
    body = body & "<form method=""post"" action=""antispamout.asp"">"
    body = body & "<input type=""hidden"" name=""token"" value=""" & token & """>"
    body = body & "<p><input type=""text"" name=""code"" maxlength=""4"" inputmode=""numeric"" autocomplete=""off"" autofocus> "
    body = body & "<input type=""submit"" value=""확인""></p></form>"
    body = body & "<p>" & (KitConfig("token_seconds") \ 60) & "분 안에 입력해 주십시오.</p>"
    KitPage "200 OK", body
End Sub

' What a claimed record (or Nothing) says of the answer: "used", "late", "wrong" or "shown";
' n gets the record's number.
Function KitCheckRecord(record, client, typed, current, ByRef n)
    Dim issued
    KitCheckRecord = "used"
    If record Is Nothing Then Exit Function
    If KitField(record, "client") <> client Then Exit Function
    n = KitNumber(KitField(record, "uniq"), 9)
    issued = KitNumber(KitField(record, "time"), 18)
    KitCheckRecord = "late"
    If issued < 0 Or current - issued > KitConfig("token_seconds") Then Exit Function
    KitCheckRecord = "wrong"
    If Not KitMatches(typed, "^[0-9]{4}$") Then Exit Function
    If Not KitSame(typed, KitField(record, "code")) Then Exit Function
    KitCheckRecord = "shown"
End Function

' The answer's decision in one locked step, so that no second request slips between the block
' check, the claim and the count: "blocked", "oversized", a counted failure ("used", "late",
' "wrong"), "quota" (wait holds the seconds to wait) or "shown" with the reveal noted. A right
' code leaves the failure count alone: failures expire with their window.
Function KitJudgeAnswer(client, oversized, token, typed, ByRef n, ByRef wait)
    Dim verdict, record, current
    n = -1
    wait = 0
    KitLoadLists
    current = KitNow()
    If KitIndexOf(kitBlocked, client) >= 0 Then
        verdict = "blocked"
    ElseIf oversized Then
        verdict = "oversized"
    Else
        Set record = KitClaimRecord(token)
        verdict = KitCheckRecord(record, client, typed, current, n)
        If verdict <> "shown" Then
            If KitAddFailure(client, current) Then verdict = "blocked"
        ElseIf n > 0 Then
            wait = KitQuotaWait(client, n, current)
            If wait > 0 Then
                verdict = "quota"
            ElseIf Not KitHasRevealed(client, n) Then
                kitRevealed = KitAppend(kitRevealed, current & " " & client & " " & n)
            End If
        End If
    End If
    KitSaveLists
    KitJudgeAnswer = verdict
End Function

Sub KitShowAnswer()
    Dim client, oversized, token, typed, verdict, n, wait, address, shown
    If UCase(CStr(Request.ServerVariables("REQUEST_METHOD"))) <> "POST" Then
        Response.AddHeader "Allow", "POST"
        KitPage "405 Method Not Allowed", "<p>잘못된 요청입니다.</p>" & KitCloseButton()
        Exit Sub
    End If
    client = KitClient()
    ' The form is read before the lock, and not at all when it is too large.
    oversized = (Request.TotalBytes > KIT_MAX_POST)
    token = ""
    typed = ""
    If Not oversized Then
        token = CStr(Request.Form("token"))
        typed = KitTrim(CStr(Request.Form("code")))
    End If
    verdict = KitJudgeAnswer(client, oversized, token, typed, n, wait)
    If verdict = "blocked" Then KitBlockedPage: Exit Sub
    If verdict = "oversized" Then KitPage "403 Forbidden", "<p>잘못된 요청입니다.</p>" & KitCloseButton(): Exit Sub
    If verdict = "used" Then KitPage "200 OK", "<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>" & KitCloseButton(): Exit Sub
    If verdict = "late" Then KitPage "200 OK", "<p>입력 시간이 지났습니다.</p>" & KitRetryLink(n) & KitCloseButton(): Exit Sub
    If verdict = "wrong" Then KitPage "200 OK", "<p>입력한 숫자가 맞지 않습니다.</p>" & KitRetryLink(n) & KitCloseButton(): Exit Sub
    If verdict = "quota" Then KitQuotaPage verdict, wait: Exit Sub
    address = Null
    If n > 0 Then address = KitLookup(n)
    If IsNull(address) Then KitPage "404 Not Found", "<p>주소를 찾을 수 없습니다.</p>" & KitCloseButton(): Exit Sub
    shown = KitH(address)
    KitPage "200 OK", "<p>이메일 주소입니다.</p><p><a id=""address"" href=""mailto:" & shown & """>" & shown & "</a></p>" & KitCloseButton()
End Sub

' antispamout.asp runs this page by Server.Transfer, which keeps the request. The pop-up is
' only ever fetched, so every POST is an answer, and so is any request that named
' antispamout.asp (a GET of it is refused as such).
Sub KitRun()
    Dim answer
    Set kitFso = Server.CreateObject("Scripting.FileSystemObject")
    kitDir = kitFso.GetParentFolderName(Server.MapPath("antispamin.asp"))
    answer = (UCase(CStr(Request.ServerVariables("REQUEST_METHOD"))) = "POST")
    If LCase(Right(CStr(Request.ServerVariables("SCRIPT_NAME")), 16)) = "/antispamout.asp" Then answer = True
    If answer Then KitShowAnswer Else KitShowPopup
End Sub

' A missing component or random source ends the request here, as a 500 page and a line in the
' IIS log (which takes no commas).
Sub KitMain()
    Dim problem
    Response.Buffer = True
    On Error Resume Next
    KitRun
    If Err.Number <> 0 Then
        problem = Replace(Left("orvex-kit: " & Err.Source & " " & Err.Description, 80), ",", " ")
        Err.Clear
        Response.AppendToLog problem
        KitPage "500 Internal Server Error", "<p>요청을 처리할 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>" & KitCloseButton()
    End If
    On Error GoTo 0
End Sub

KitMain
%><script language="JScript" runat="server">
// Seconds since 1970 UTC; VBScript calls it by this exact name (JScript names are case-sensitive).
function kitUnixTime() {
    return Math.floor(new Date().getTime() / 1000);
}
</script>
