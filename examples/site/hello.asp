<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<%
Dim name
name = Request.QueryString("name")
If name = "" Then name = "stranger"
%>
<h1>Hello, <%= Server.HTMLEncode(name) %>!</h1>
<p>You asked for <code><%= Server.HTMLEncode(Request.ServerVariables("URL")) %></code>.</p>
<!--#include file="footer.inc"-->
