' SPDX-License-Identifier: MIT
' The parts of VBScript the ASP kit uses that wine's engine lacks (probe.vbs finds them). A block
' goes into the page's script only when the probe found one of the names on its "stand-in for"
' line missing; a user function of a built-in's name takes its place in wine. Each does what the
' kit asks of it and raises an error for anything else, so that no scenario passes on a guess.

' stand-in for: Join
Function Join(list, delimiter)
    Dim i, text
    text = ""
    For i = 0 To UBound(list)
        If i > 0 Then text = text & delimiter
        text = text & list(i)
    Next
    Join = text
End Function

' stand-in for: AscW
' ASCII only: other characters are bytes of UTF-8 here (see harness.vbs).
Function AscW(text)
    AscW = Asc(text)
    If AscW < 0 Or AscW > 127 Then Err.Raise 5, "harness", "AscW stand-in: ASCII only"
End Function

' stand-in for: DateDiff
Function DateDiff(interval, earlier, later)
    If LCase(interval) <> "s" Then Err.Raise 5, "harness", "DateDiff stand-in: seconds only"
    DateDiff = CLng((CDate(later) - CDate(earlier)) * 86400)
End Function

' stand-in for: ChrB AscB MidB LenB InStrB ADODB.Stream
' Byte strings hold one character a byte, as all text does here; the byte functions and the stream
' go together.
Function ChrB(code)
    ChrB = Chr(code)
End Function

Function AscB(bytes)
    AscB = Asc(bytes)
End Function

Function MidB(bytes, start, length)
    MidB = Mid(bytes, start, length)
End Function

Function LenB(bytes)
    LenB = Len(bytes)
End Function

Function InStrB(start, bytes, search)
    InStrB = InStr(start, bytes, search, 0)
End Function

Function HarnessNewStream()
    Set HarnessNewStream = New HarnessStream
End Function

' ADODB.Stream as the kit uses it, refusing what ADO refuses: a closed stream, the wrong type, a
' change of type away from the start.
Class HarnessStream
    Public Position
    Public Charset
    Private m_type
    Private m_data
    Private m_open

    Private Sub Class_Initialize()
        m_type = 2
        m_data = ""
        m_open = False
        Position = 0
        Charset = "unicode"
    End Sub

    Public Property Get Type()
        Type = m_type
    End Property

    Public Property Let Type(value)
        If m_open And Position <> 0 Then Err.Raise 3219, "harness", "stream type changed away from its start"
        m_type = value
    End Property

    Private Sub Require(kind)
        If Not m_open Then Err.Raise 3704, "harness", "stream is closed"
        If m_type <> kind Then Err.Raise 3219, "harness", "stream of the wrong type"
    End Sub

    Public Sub Open()
        m_open = True
        m_data = ""
        Position = 0
    End Sub

    Public Sub Close()
        m_open = False
    End Sub

    Public Sub LoadFromFile(path)
        Dim f
        Require 1
        Set f = CreateObject("Scripting.FileSystemObject").OpenTextFile(path, 1, False, 0)
        m_data = ""
        If Not f.AtEndOfStream Then m_data = f.ReadAll
        f.Close
        Position = 0
    End Sub

    ' All of it for -1; Null when nothing is left.
    Public Function Read(count)
        Require 1
        Read = Null
        If Position >= Len(m_data) Then Exit Function
        If count < 0 Then Read = Mid(m_data, Position + 1) Else Read = Mid(m_data, Position + 1, count)
        Position = Position + Len(Read)
    End Function

    Public Sub Append(bytes)
        Require 1
        m_data = Left(m_data, Position) & bytes
        Position = Len(m_data)
    End Sub

    Public Sub CopyTo(target, count)
        Dim bytes
        Require 1
        bytes = Mid(m_data, Position + 1, count)
        Position = Position + Len(bytes)
        target.Append bytes
    End Sub

    ' UTF-8 bytes are the text already; other character sets are not emulated.
    Public Function ReadText(count)
        Require 2
        If LCase(Charset) <> "utf-8" Then Err.Raise 5, "harness", "stream stand-in: no " & Charset & " decoding"
        If count < 0 Then ReadText = Mid(m_data, Position + 1) Else ReadText = Mid(m_data, Position + 1, count)
        Position = Position + Len(ReadText)
    End Function
End Class
