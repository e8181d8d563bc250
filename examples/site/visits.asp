<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<%
Session("visits") = Session("visits") + 1
Application.Lock
Application("visits") = Application("visits") + 1
Application.unLock
%>
<h1>Visits</h1>
<p>Your session <%= Session.SessionID %>: <%= Session("visits") %> visit(s).</p>
<p>This application: <%= Application("visits") %> visit(s) in <%= Application("sessions") %> session(s) since <%= Application("started") %>.</p>
<p><a href="visits.asp">Visit again</a></p>
<!--#include file="footer.inc"-->
