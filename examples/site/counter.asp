<%@ Language="VBScript" %>
<!--#include file="header.inc"-->
<%
Session("visits") = Session("visits") + 1
Application.Lock
Application("hits") = Application("hits") + 1
Application.Unlock
%>
<h1>Counters</h1>
<p>Your visits this session: <%= Session("visits") %></p>
<p>All visits since the application started: <%= Application("hits") %></p>
<!--#include file="footer.inc"-->
