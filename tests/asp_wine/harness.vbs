' SPDX-License-Identifier: MIT
' What IIS gives an ASP page, for running the ASP kit's script under cscript. asp_wine_test.cpp
' puts Option Explicit, this file, the stand-ins wine needs and the page's instrumented script
' into one .vbs (wine's VBScript has no ExecuteGlobal) and runs it once per request:
'   cscript //nologo page.vbs request.txt
' request.txt holds one "<kind> <name> <value>" a line: H (harness: clock, kit, out, totalbytes,
' standins, getpng), S (server variable), Q (query string), F (form), values already decoded. The
' answer goes to the file named by "H out": "status", "header", "log", "lock", "transfer", "error"
' and "trace" lines, then "body" and the body. Text passes through as its bytes: the script is read
' in a single-byte ANSI code page, so UTF-8 literals and data stay UTF-8 from file to file.
' Class members are declared one a line (wine's parser refuses "Public a, b"); Response has no
' End, a name VBScript does not allow a method, and which the kit does not call.

Dim Request, Response, Server, Application
Dim harnessSettings, harnessTrace(31), harnessTraceCount, harnessLogTrace, harnessError

Class HarnessRequest
    Public QueryStringItems
    Public FormItems
    Public Variables
    Public TotalBytes

    Private Sub Class_Initialize()
        Set QueryStringItems = HarnessDictionary()
        Set FormItems = HarnessDictionary()
        Set Variables = HarnessDictionary()
        TotalBytes = 0
    End Sub

    ' Missing names read as Empty, repeated ones as "a, b", as ASP's collections do.
    Public Function QueryString(name)
        QueryString = HarnessItem(QueryStringItems, name)
    End Function

    Public Function Form(name)
        Form = HarnessItem(FormItems, name)
    End Function

    Public Function ServerVariables(name)
        ServerVariables = HarnessItem(Variables, name)
    End Function
End Class

Class HarnessResponse
    Public Status
    Public ContentType
    Public Charset
    Public CodePage
    Public Buffer
    Public Headers
    Public Body
    Public Logged

    Private Sub Class_Initialize()
        Status = "200 OK"
        ContentType = "text/html"
        Charset = ""
        CodePage = 0
        Buffer = True
        Headers = ""
        Body = ""
        Logged = ""
    End Sub

    Public Sub AddHeader(name, value)
        Headers = Headers & "header " & name & ": " & value & vbLf
    End Sub

    Public Sub Write(text)
        Body = Body & text
    End Sub

    ' Clear drops the buffered body only; headers stay, as in ASP.
    Public Sub Clear()
        Body = ""
    End Sub

    Public Sub Flush()
    End Sub

    ' The trace is kept per log line: the kit logs its errors, and the line that failed is the
    ' last one reached outside its error handler.
    Public Sub AppendToLog(text)
        Logged = Logged & "log " & text & vbLf
        harnessLogTrace = HarnessTraceText()
    End Sub
End Class

Class HarnessServer
    Public Transferred

    Public Function CreateObject(progId)
        Set CreateObject = HarnessCreate(progId)
    End Function

    Public Function MapPath(path)
        MapPath = harnessSettings("kit") & "\" & Replace(path, "/", "\")
    End Function

    ' Only noted: the harness runs the target page's script after this one in the same file.
    Public Sub Transfer(path)
        Transferred = path
    End Sub
End Class

Class HarnessApplication
    Public Depth

    Private Sub Class_Initialize()
        Depth = 0
    End Sub

    Public Sub Lock()
        Depth = Depth + 1
    End Sub

    Public Sub UnLock()
        Depth = Depth - 1
    End Sub
End Class

' Where the real GetPng.dll is not registered: a file holding the code, where it draws a PNG.
Class HarnessCodeImage
    Public Function Draw(code, path)
        Dim f
        Set f = HarnessFso().CreateTextFile(path, True, False)
        f.Write "code image " & code
        f.Close
        Draw = 0
    End Function
End Class

Function HarnessDictionary()
    Set HarnessDictionary = CreateObject("Scripting.Dictionary")
    HarnessDictionary.CompareMode = 1
End Function

Function HarnessFso()
    Set HarnessFso = CreateObject("Scripting.FileSystemObject")
End Function

Function HarnessItem(items, name)
    If items.Exists(name) Then HarnessItem = items(name) Else HarnessItem = Empty
End Function

Sub HarnessAdd(items, name, value)
    If items.Exists(name) Then items(name) = items(name) & ", " & value Else items(name) = value
End Sub

' Components are the system's, but for those that wine lacks (the stand-ins say which).
Function HarnessCreate(progId)
    If LCase(progId) = "getpng.codeimage" And harnessSettings("getpng") <> "real" Then
        Set HarnessCreate = New HarnessCodeImage
    ElseIf LCase(progId) = "adodb.stream" And HarnessStandsIn("ADODB.Stream") Then
        Set HarnessCreate = HarnessNewStream()
    Else
        Set HarnessCreate = CreateObject(progId)
    End If
End Function

Function HarnessStandsIn(feature)
    HarnessStandsIn = (InStr(" " & harnessSettings("standins") & " ", " " & feature & " ") > 0)
End Function

' The JScript clock of the page: seconds since 1970 as the request file gives them.
Function kitUnixTime()
    kitUnixTime = CDbl(harnessSettings("clock"))
End Function

' Every statement line of the page script is preceded by one of these two calls.
Sub HarnessAt(line)
    harnessTrace(harnessTraceCount Mod 32) = line
    harnessTraceCount = harnessTraceCount + 1
End Sub

' At the script's top level, which runs under On Error Resume Next: the first error is kept.
Sub HarnessTop(line)
    If Err.Number <> 0 And harnessError = "" Then
        harnessError = Err.Number & " " & Err.Description & " (top level, before line " & line & ")"
    End If
    Err.Clear
    HarnessAt line
End Sub

Function HarnessTraceText()
    Dim i, text
    text = ""
    i = harnessTraceCount - 32
    If i < 0 Then i = 0
    Do While i < harnessTraceCount
        text = text & " " & harnessTrace(i Mod 32)
        i = i + 1
    Loop
    HarnessTraceText = Mid(text, 2)
End Function

Sub HarnessStart(requestPath)
    Dim f, line, space, kind, name, value
    Set harnessSettings = HarnessDictionary()
    Set Request = New HarnessRequest
    Set Response = New HarnessResponse
    Set Server = New HarnessServer
    Set Application = New HarnessApplication
    harnessTraceCount = 0
    harnessLogTrace = ""
    harnessError = ""
    Set f = HarnessFso().OpenTextFile(requestPath, 1, False, 0)
    Do While Not f.AtEndOfStream
        ' Not Split(line, " ", 3): wine's drops what follows the third part.
        line = f.ReadLine
        kind = Left(line, 1)
        space = InStr(3, line, " ")
        If space > 0 Then
            name = Mid(line, 3, space - 3)
            value = Mid(line, space + 1)
            If kind = "H" Then harnessSettings(name) = value
            If kind = "S" Then HarnessAdd Request.Variables, name, value
            If kind = "Q" Then HarnessAdd Request.QueryStringItems, name, value
            If kind = "F" Then HarnessAdd Request.FormItems, name, value
        End If
    Loop
    f.Close
    Request.TotalBytes = CLng(harnessSettings("totalbytes"))
End Sub

Sub HarnessFinish()
    Dim f, trace
    trace = harnessLogTrace
    If trace = "" Then trace = HarnessTraceText()
    Set f = HarnessFso().CreateTextFile(harnessSettings("out"), True, False)
    f.Write "status " & Response.Status & vbLf & Response.Headers & Response.Logged
    f.Write "header Content-Type: " & Response.ContentType & "; charset=" & Response.Charset & vbLf
    f.Write "lock " & Application.Depth & vbLf & "transfer " & Server.Transferred & vbLf
    f.Write "error " & harnessError & vbLf & "trace " & trace & vbLf & "body" & vbLf & Response.Body
    f.Close
End Sub

HarnessStart WScript.Arguments(0)
