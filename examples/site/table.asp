<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<!--#include virtual="/lib/format.inc"-->
<%
Dim rows, asked
rows = 10
asked = Request.QueryString("rows") & ""
If asked <> "" Then
  If IsNumeric(asked) Then rows = CInt(asked)
End If
If rows < 1 Then rows = 10
If rows > 100 Then rows = 100
%>
<h1>Squares up to <%= rows %></h1>
<table>
<tr><th>n</th><th>n squared</th><th>link</th></tr>
<% For i = 1 To rows %>
<tr><td><%= i %></td><td><%= Square(i) %></td><td><a href="hello.asp?name=<%= Server.URLEncode("row " & i) %>">hello</a></td></tr>
<% Next %>
</table>
<!--#include file="footer.inc"-->
