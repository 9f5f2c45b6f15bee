<%@ Language="VBScript" CodePage="65001" EnableSessionState="False" %><% Option Explicit
' SPDX-License-Identifier: MIT
' The answer to the pop-up's form. antispamin.asp holds the whole kit; Server.Transfer runs it
' with this request (form and server variables included), which it answers as a POST or as a
' request for this page. No code runs after the transfer.
Server.Transfer "antispamin.asp"
%>
